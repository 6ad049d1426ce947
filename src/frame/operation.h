#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "frame/operation_context.h"

// A wizard page that an operation could contribute to the host. No operation of this plug-in
// has one; the type stays opaque.
class CPropertyPage;
class CBreakInfo;
class CSerialInterface;

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
    // Derived classes answer 0, 2 and 3 (AnswerTextItem) and forward the rest here.
    virtual bool GetTextItem(int item, char* buffer, std::size_t size) const;

    std::int32_t GetPageCount() const { return pageCount_; }
    // The page at index, or nullptr when index is outside 0..count-1.
    CPropertyPage* GetPage(std::int32_t index) const;

  protected:
    std::vector<CPropertyPage*>& Pages() { return pages_; }

    // The string ids of an operation's own text items.
    struct TextItems {
        unsigned summary;  // item 0, formatted with the operation's name where it holds a %s
        unsigned action;   // item 2
        unsigned success;  // item 3
    };
    // Answers items 0, 2 and 3 from the ids with a bounded copy and returns true; every other
    // item goes to COperation::GetTextItem.
    bool AnswerTextItem(const TextItems& texts, int item, char* buffer, std::size_t size) const;

    // Sets the host window's title to string titleId; nothing without a window.
    static void ShowTitle(const OperationContext& context, unsigned titleId);
    // The run's first lines: "Establishing communication with the Orrick receiver. Please
    // wait..." and progress 0.
    static void ReportEstablishing(const OperationContext& context);

    // The run's transport, opened on the context's COM port at 9600 baud, 8 data bits, no parity,
    // one stop bit (throws 301), and closed on every way out of the run. Declared before the
    // device interface, it closes the port once the device interface is gone.
    class RunPort {
      public:
        explicit RunPort(const OperationContext& context);
        ~RunPort();
        RunPort(const RunPort&) = delete;
        RunPort& operator=(const RunPort&) = delete;
        CSerialInterface& Transport() const { return *transport_; }

      private:
        std::unique_ptr<CSerialInterface> transport_;
    };

    // A fresh identification of the receiver (three attempts, then the settle wait); throws
    // CGarnothException 701 with the context's port number when it fails.
    static CBreakInfo Identify(CSerialInterface& transport, const OperationContext& context);

  private:
    std::int32_t pageCount_;
    std::vector<CPropertyPage*> pages_;
};
