#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "frame/operation.h"

class CErrorLogMgr;
class CGarnothInterface;

// "View error log": reads the receiver's error log (over TC from its application, or as a memory
// image from its monitor) and shows it in the error-log viewer, from which a technician opens an
// entry's detail, copies the texts and, for a log read over TC, clears the log on the receiver.
class CRetrieveErrorLogOperation : public COperation {
  public:
    // The memory image is read in blocks of this size, the last one shorter.
    static constexpr std::int32_t kMemoryBlockSize = 220;

    // The receiver memory that holds the log image: [first, first + size).
    struct LogWindow {
        std::uint32_t first;
        std::uint32_t size;
    };

    CRetrieveErrorLogOperation();

    const std::string& GetName() const override { return name_; }
    const std::string& GetDescriptionText() const override { return description_; }
    std::uint8_t Run(const OperationContext& context) override;
    bool GetTextItem(int item, char* buffer, std::size_t size) const override;

    // The log window under the flash base: 0x80000 to 0x9FFFF with extended memory, else 0x2000
    // to 0x3FFF (the last address excluded).
    static LogWindow LogWindowFor(std::uint32_t flashBase, bool extendedMemory);

  private:
    // The TC path: a receiver running its application.
    static void ShowApplicationLog(CGarnothInterface& device, const OperationContext& context);
    // The memory path: a receiver in its monitor; deleted entries only in the service view.
    static void ShowMemoryLog(CGarnothInterface& device, bool serviceView,
                              const OperationContext& context);
    // Reads the log window block by block, polling for cancellation and reporting progress in
    // proportion to the bytes read (below 100).
    static std::vector<std::uint8_t> ReadLogImage(CGarnothInterface& device,
                                                  const OperationContext& context);
    static void ShowNoErrors(const OperationContext& context);

    std::string name_;
    std::string description_;
};
