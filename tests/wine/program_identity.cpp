// Linked into every Windows program that the Wine layer runs: when DEVVORIN_WINE_IDENTITY is
// set, the program first prints its pointer size and the machine of its own PE image on standard
// error (standard output may carry a document), so the runner can tell that the build it meant
// to prove is the one that ran (the i686 build under an emulator, say, and not a 64-bit twin).
#include <windows.h>

#include <cstdio>

namespace {

unsigned OwnMachine() {
    const auto* base = reinterpret_cast<const unsigned char*>(GetModuleHandleA(nullptr));
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    return nt->FileHeader.Machine;
}

const bool g_announced = [] {
    if (GetEnvironmentVariableA("DEVVORIN_WINE_IDENTITY", nullptr, 0) == 0) {
        return false;
    }
    std::fprintf(stderr, "wine program: pointer size %u, PE machine 0x%x\n",
                 static_cast<unsigned>(sizeof(void*)), OwnMachine());
    return true;
}();

}  // namespace
