#pragma once

#include <cstring>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "frame/bounded_copy.h"
#include "frame/operation.h"
#include "frame/operation_list.h"
#include "platform/exception.h"
#include "platform/registry.h"

namespace testing_support {

// A framework failure with a fixed user text.
class TestFailure : public CException {
  public:
    explicit TestFailure(std::string text) : text_(std::move(text)) {}
    std::string GetMessageText() const override { return text_; }

  private:
    std::string text_;
};

// An operation whose run and texts a test decides. Items 0, 2 and 3 answer with the given texts;
// everything else goes to COperation.
class TestOperation : public COperation {
  public:
    struct Script {
        std::string name = "Test operation";
        std::string description = "Does what the test says";
        std::string summary = "summary";
        std::string action = "action";
        std::string success = "The test operation succeeded.";
        std::function<std::uint8_t(const OperationContext&)> run;  // default: returns 1
        std::int32_t pageCount = 0;
        bool fillPages = false;    // each page slot holds PageToken(slot) instead of null
        int* destroyed = nullptr;  // counts destructor calls
        std::vector<std::string>* destroyLog = nullptr;  // records names as they are destroyed
        bool throwOnTextItem = false;                    // GetTextItem throws a TestFailure
        bool throwOnDescription = false;
    };

    explicit TestOperation(Script script)
        : COperation(script.pageCount), script_(std::move(script)) {
        if (script_.fillPages) {
            for (std::size_t slot = 0; slot < Pages().size(); ++slot) {
                Pages()[slot] = PageToken(slot);
            }
        }
    }
    // A distinct non-null stand-in for the page in slot; never dereferenced.
    static CPropertyPage* PageToken(std::size_t slot) {
        static char tokens[16];
        return reinterpret_cast<CPropertyPage*>(&tokens[slot % sizeof tokens]);
    }
    ~TestOperation() override {
        if (script_.destroyed != nullptr) {
            ++*script_.destroyed;
        }
        if (script_.destroyLog != nullptr) {
            script_.destroyLog->push_back(script_.name);
        }
    }

    const std::string& GetName() const override { return script_.name; }
    const std::string& GetDescriptionText() const override {
        if (script_.throwOnDescription) {
            throw TestFailure("description failed");
        }
        return script_.description;
    }
    std::uint8_t Run(const OperationContext& context) override {
        ++runs;
        lastContext = context;
        return script_.run ? script_.run(context) : 1;
    }
    bool GetTextItem(int item, char* buffer, std::size_t size) const override {
        if (script_.throwOnTextItem) {
            throw TestFailure("text failed");
        }
        switch (item) {
            case 0:
                CopyBounded(script_.summary, buffer, size);
                return true;
            case 2:
                CopyBounded(script_.action, buffer, size);
                return true;
            case 3:
                CopyBounded(script_.success, buffer, size);
                return true;
            default:
                return COperation::GetTextItem(item, buffer, size);
        }
    }

    int runs = 0;
    OperationContext lastContext{};

  private:
    Script script_;
};

// A catalog entry that makes a TestOperation from a script; made operations are reported
// through made (when given) so that tests can reach them.
inline OperationFactory MakeFactory(TestOperation::Script script,
                                    std::vector<TestOperation*>* made = nullptr) {
    return [script, made]() -> std::unique_ptr<COperation> {
        auto operation = std::make_unique<TestOperation>(script);
        if (made != nullptr) {
            made->push_back(operation.get());
        }
        return operation;
    };
}

// Installs an in-memory registry for its lifetime.
class ScopedRegistry {
  public:
    ScopedRegistry() { platform::InstallRegistryTree(&tree); }
    ~ScopedRegistry() { platform::InstallRegistryTree(nullptr); }
    ScopedRegistry(const ScopedRegistry&) = delete;
    ScopedRegistry& operator=(const ScopedRegistry&) = delete;

    platform::RegistryTree tree;
};

}  // namespace testing_support
