#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "frame/operation_context.h"

// A wizard page that an operation could contribute to the host. No operation of this plug-in
// has one; the type stays opaque.
class CPropertyPage;

// Base of every host-visible operation. The virtual functions keep this slot order: destructor,
// GetName, GetDescriptionText, Run, GetTextItem.
class COperation {
  public:
    // The page array is sized to pageCount (a negative count is taken as 0) and filled by the
    // derived class.
    explicit COperation(std::int32_t pageCount);
    // Empties the page array; the page objects themselves belong to the derived class.
    virtual ~COperation();
    COperation(const COperation&) = delete;
    COperation& operator=(const COperation&) = delete;

    // Name and description, built once by the derived constructor.
    virtual const std::string& GetName() const = 0;
    virtual const std::string& GetDescriptionText() const = 0;
    // Runs the operation on the calling thread; 1 means it completed. Failures are thrown as
    // CException, cancellation as CUserException.
    virtual std::uint8_t Run(const OperationContext& context) = 0;
    // Text items for the host: 0 summary, 1 connection hint, 2 action, 3 success text. The base
    // answers item 1 (string 103 with "COM%d" left for the host to fill) with a bounded copy and
    // returns true; for any other item it clears the buffer's first byte and returns false.
    // Derived classes answer 0, 2 and 3 and forward the rest here.
    virtual bool GetTextItem(int item, char* buffer, std::size_t size) const;

    std::int32_t GetPageCount() const { return pageCount_; }
    // The page at index, or nullptr when index is outside 0..count-1.
    CPropertyPage* GetPage(std::int32_t index) const;

  protected:
    std::vector<CPropertyPage*>& Pages() { return pages_; }

  private:
    std::int32_t pageCount_;
    std::vector<CPropertyPage*> pages_;
};
