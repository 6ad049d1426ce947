#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "frame/operation.h"

// The process-wide list of operations that the exports index. An operation's index is its
// identity towards the host; the list is filled once at initialisation and never reordered.
class COperationList {
  public:
    static constexpr std::size_t kGrowBy = 17;

    COperationList() = default;
    ~COperationList() { Destroy(); }
    COperationList(const COperationList&) = delete;
    COperationList& operator=(const COperationList&) = delete;

    // Appends, growing the storage in steps of kGrowBy entries.
    void Append(std::unique_ptr<COperation> operation);
    std::int32_t Count() const { return static_cast<std::int32_t>(entries_.size()); }
    std::size_t Capacity() const { return entries_.capacity(); }
    bool IsValidIndex(std::int32_t index) const { return index >= 0 && index < Count(); }
    // The entry at index, or nullptr for an invalid index.
    COperation* At(std::int32_t index) const;
    // Destroys every entry from index 0 upward through its virtual destructor, then empties the
    // list.
    void Destroy();

  private:
    std::vector<std::unique_ptr<COperation>> entries_;
};

// Makes one operation; nullptr (or std::bad_alloc) when it cannot.
using OperationFactory = std::function<std::unique_ptr<COperation>()>;

// The operations to list, in host order, and the service operation that joins them only when
// the Ctrl+Alt chord is held at load.
struct OperationCatalog {
    std::vector<OperationFactory> regular;
    OperationFactory service;
};

// True when both Ctrl and Alt are held down now.
bool IsServiceKeyChordDown();

// Empties the list, then creates and appends the regular operations in order and, when the
// chord is down, the service operation. If any creation fails, every operation already made is
// destroyed and the result is false.
bool BuildOperationList(COperationList& list, const OperationCatalog& catalog);
