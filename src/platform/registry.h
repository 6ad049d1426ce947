#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// Read-only access to the machine-wide registry (HKEY_LOCAL_MACHINE). Win32 reads the real
// registry; POSIX reads a ".reg"-format text file named by DEVVORIN_REGISTRY_FILE, afresh at each
// open; tests install a RegistryTree that they fill in memory. Nothing here ever writes.
namespace platform {

// One stored value: its registry type and raw bytes, as RegQueryValueEx would hand them out.
struct RegistryValue {
    static constexpr std::uint32_t kString = 1;  // REG_SZ: text plus a terminating zero
    static constexpr std::uint32_t kBinary = 3;  // REG_BINARY
    static constexpr std::uint32_t kDword = 4;   // REG_DWORD: 4 bytes, least significant first
    std::uint32_t type = kString;
    std::vector<std::uint8_t> data;

    bool operator==(const RegistryValue&) const = default;
};

// Keys of HKEY_LOCAL_MACHINE and their values, held in memory. Key paths and value names are
// compared without regard to case, as the registry does; "" names the key's default value.
class RegistryTree {
  public:
    void SetString(std::string_view keyPath, std::string_view name, std::string_view text);
    void SetDword(std::string_view keyPath, std::string_view name, std::uint32_t value);
    void SetRaw(std::string_view keyPath, std::string_view name, RegistryValue value);
    // Creates the key without values.
    void AddKey(std::string_view keyPath);

    using Values = std::map<std::string, RegistryValue>;  // by lower-cased name
    // The values of the key, or nullptr when the key does not exist.
    const Values* FindKey(std::string_view keyPath) const;
    // Characters of key names held. Each name is held once, under its parent, so a file of deep
    // key paths costs memory in proportion to its size, not to the square of a path's depth.
    std::size_t KeyNameBytes() const { return nameBytes_; }

    // Reads the text of a ".reg" file ("REGEDIT4" or "Windows Registry Editor Version 5.00",
    // plain or UTF-16 with a byte-order mark). Keys of HKEY_LOCAL_MACHINE (or HKLM) are kept;
    // "name"="text", "name"=dword:hhhhhhhh and "name"=hex:hh,hh,... values are read. Lines that
    // are not understood are skipped, as every registry failure is silent.
    static RegistryTree Parse(std::string_view fileText);

  private:
    static constexpr std::size_t kRoot = 0;  // HKEY_LOCAL_MACHINE itself

    // The key's node, made with every missing parent; a key implies its parents, as in the
    // registry itself.
    std::size_t AddPath(std::string_view keyPath);
    std::optional<std::size_t> FindPath(std::string_view keyPath) const;

    std::vector<Values> values_{1};  // by node
    // (parent node, lower-cased name) -> node
    std::map<std::pair<std::size_t, std::string>, std::size_t> children_;
    std::size_t nameBytes_ = 0;
    bool rootNamed_ = false;  // the file named HKEY_LOCAL_MACHINE itself as a key
};

// Installs tree as the registry for every key opened afterwards (nullptr restores the system
// registry). The caller keeps ownership. For tests.
void InstallRegistryTree(const RegistryTree* tree);

// An open key, closed by its destructor. A key that failed to open is the "null key": every read
// through it fails.
class RegistryKey {
  public:
    RegistryKey();
    ~RegistryKey();
    RegistryKey(RegistryKey&& other) noexcept;
    RegistryKey& operator=(RegistryKey&& other) noexcept;
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;

    // Opens HKEY_LOCAL_MACHINE\path for reading.
    static RegistryKey OpenLocalMachine(const std::string& path);

    bool IsOpen() const;

    // The value's type and bytes; nullopt when the key is null or the value cannot be read.
    std::optional<RegistryValue> Query(const char* name) const;

    struct Handle;  // backend state

  private:
    std::unique_ptr<Handle> handle_;
};

// With a null key or null name: false and an empty text. Otherwise reads the value, trims it at
// its first zero and returns true; on any failure the text is emptied and the result is false.
bool ReadRegistryString(const RegistryKey& key, const char* name, std::string& text);

// The 32-bit value, or nullopt with a null key or name, or when the value is missing or is not a
// 4-byte DWORD.
std::optional<std::uint32_t> QueryRegistryDword(const RegistryKey& key, const char* name);

// The 32-bit value, or defaultValue where QueryRegistryDword has none.
std::uint32_t ReadRegistryDword(const RegistryKey& key, const char* name,
                                std::uint32_t defaultValue);

}  // namespace platform
