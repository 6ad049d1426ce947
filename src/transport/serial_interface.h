#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "transport/io_interface.h"

// The COM-port transport. One declaration, one implementation file per platform:
// serial_win32.cpp (overlapped file I/O on "\\.\COM%d") and serial_posix.cpp (termios on the
// device that COM n maps to). Every failure is a CSerialComException; failures of a line-setting
// change close the port before they are thrown.
//
// The methods are virtual so that tests and the in-process simulator front can stand in for a
// real port under the device layer.
class CSerialInterface : public CioInterface {
  public:
    CSerialInterface();
    ~CSerialInterface() override;

    // Opens and configures the port with the given setting indices (serial_settings.h). Every
    // caller opens with data bits 1, stop bits 0, parity 0, baud 6: 9600 8N1. Throws code 301;
    // on failure the transport stays closed.
    virtual void OpenPort(int portNumber, int byteSizeIndex, int stopBitsIndex, int parityIndex,
                          int baudRateIndex);
    // Purges and closes an open port; in every case the handle, open flag and port number are 0.
    virtual void ClosePort();
    // Purges both directions, then changes only the baud rate. Throws code 302 (port closed).
    virtual void SetBaudRate(int baudRateIndex);
    // Change only that setting; no purge. Throw code 302 (port closed).
    virtual void SetParity(int parityIndex);
    virtual void SetByteSize(int byteSizeIndex);
    virtual void SetStopBits(int stopBitsIndex);
    // Bit 0: DSR/DTR handshake; bit 1: CTS/RTS handshake; XON/XOFF always off. Throws 302.
    virtual void SetFlowControl(std::uint8_t flags);
    // Waits the given time, holds the line in break for the same time, clears it. Never throws.
    virtual void SendBreak(std::uint32_t milliseconds);
    // The open port's number; 0 when closed. The line state is readable through the interface,
    // so that a transport that stands in front of another answers with the other's.
    virtual int GetPortNumber() const { return portNumber_; }
    virtual bool IsOpen() const { return open_; }
    // The port a failure names: the open one, else the one last asked for. A call that meets a
    // port some earlier failure closed names the user's port, not "COM0".
    int NamedPortNumber() const { return open_ ? portNumber_ : askedPortNumber_; }

    virtual std::uint32_t GetBaudRate() const { return baudRate_; }
    virtual std::uint8_t GetByteSize() const { return byteSize_; }
    virtual std::uint8_t GetParity() const { return parity_; }
    virtual std::uint8_t GetStopBits() const { return stopBits_; }
    virtual std::uint8_t GetFlowControl() const { return flowControl_; }
    virtual const std::string& GetPortName() const { return portName_; }

    void WriteByte(std::uint8_t byte) override { Write(&byte, 1); }
    void Write(const std::uint8_t* buffer, std::size_t count) override;
    bool ReadByte(std::uint8_t& byte) override { return Read(&byte, 1) == 1; }
    std::size_t Read(std::uint8_t* buffer, std::size_t count) override;
    void Purge(bool transmit, bool receive) override;

  protected:
    // State shared by both backends; the backend's own handles live in native_.
    int portNumber_ = 0;
    int askedPortNumber_ = 0;
    bool open_ = false;
    std::string portName_;
    std::uint32_t baudRate_ = 9600;
    std::uint8_t byteSize_ = 8;
    std::uint8_t parity_ = 0;
    std::uint8_t stopBits_ = 0;
    std::uint8_t flowControl_ = 0;

  private:
    struct Native;
    std::unique_ptr<Native> native_;
};
