#include "frame/operation_list.h"

#include <new>

#include "platform/ui.h"

void COperationList::Append(std::unique_ptr<COperation> operation) {
    if (entries_.size() == entries_.capacity()) {
        entries_.reserve(entries_.capacity() + kGrowBy);
    }
    entries_.push_back(std::move(operation));
}

COperation* COperationList::At(std::int32_t index) const {
    return IsValidIndex(index) ? entries_[static_cast<std::size_t>(index)].get() : nullptr;
}

void COperationList::Destroy() {
    for (auto& entry : entries_) {
        entry.reset();
    }
    std::vector<std::unique_ptr<COperation>>().swap(entries_);  // release the storage too
}

bool IsServiceKeyChordDown() {
    return platform::IsKeyDown(platform::kVkControl) && platform::IsKeyDown(platform::kVkMenu);
}

namespace {

void AppendMade(COperationList& list, const OperationFactory& factory) {
    std::unique_ptr<COperation> operation = factory ? factory() : nullptr;
    if (!operation) {
        throw std::bad_alloc();
    }
    list.Append(std::move(operation));
}

}  // namespace

bool BuildOperationList(COperationList& list, const OperationCatalog& catalog) {
    list.Destroy();
    try {
        for (const OperationFactory& factory : catalog.regular) {
            AppendMade(list, factory);
        }
        // An operation that does not exist yet cannot be listed, chord or not.
        if (catalog.service && IsServiceKeyChordDown()) {
            AppendMade(list, catalog.service);
        }
    } catch (const std::bad_alloc&) {
        list.Destroy();
        return false;
    }
    return true;
}
