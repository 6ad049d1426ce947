// The receiver family's models: configuration data of the plug-in, kept as plain tables. The
// product table lists every model the receiver maker has numbered; the two model lists name the
// models this plug-in services in their application and in their monitor.
#include <array>

#include "device/product_table.h"

namespace {

// clang-format off
constexpr std::array<ProductModel, 93> kProductTable = {{
    {0, "UNKOWN", "UNKOWN-MONITOR", "not a listed model"},
    {1, "Ashby", "Ashby-MONITOR", "legacy rover"},
    {2, "Ashby Base", "Ashby Base-MONITOR", "legacy reference station"},
    {3, "Callow", "Callow-MONITOR", "legacy rover"},
    {4, "Callow SE", "Callow SE-MONITOR", "legacy rover"},
    {5, "Dunmere", "Dunmere-MONITOR", "legacy reference station"},
    {6, "Dunmere II", "Dunmere II-MONITOR", "legacy reference station"},
    {7, "Elsby", "Elsby-MONITOR", "legacy handheld"},
    {8, "Elsby Plus", "Elsby Plus-MONITOR", "legacy handheld"},
    {9, "Fenwold", "Fenwold-MONITOR", "legacy marine"},
    {10, "Fenwold Dual", "Fenwold Dual-MONITOR", "legacy marine"},
    {11, "Garrick", "Garrick-MONITOR", "legacy embedded board"},
    {12, "Garrick Lite", "Garrick Lite-MONITOR", "legacy embedded board"},
    {13, "Hollin", "Hollin-MONITOR", "legacy rover"},
    {14, "Hollin Base", "Hollin Base-MONITOR", "legacy reference station"},
    {15, "Ivel", "Ivel-MONITOR", "legacy machine module"},
    {16, "Ivel Twin", "Ivel Twin-MONITOR", "legacy machine module"},
    {17, "Larch", "Larch-MONITOR", "legacy embedded board"},
    {18, "Larch Dual", "Larch Dual-MONITOR", "legacy embedded board"},
    {19, "Nettle", "Nettle-MONITOR", "legacy handheld"},
    {20, "Nettle Pro", "Nettle Pro-MONITOR", "legacy handheld"},
    {30, "Orwin", "Orwin-MONITOR", "rover"},
    {31, "Orwin Base", "Orwin Base-MONITOR", "reference station"},
    {32, "Pellow", "Pellow-MONITOR", "embedded board"},
    {33, "Pellow Dual", "Pellow Dual-MONITOR", "embedded board"},
    {34, "Quarrie", "Quarrie-MONITOR", "machine module"},
    {35, "Quarrie Twin", "Quarrie Twin-MONITOR", "machine module"},
    {36, "Ruddle", "Ruddle-MONITOR", "marine"},
    {37, "Ruddle Dual", "Ruddle Dual-MONITOR", "marine"},
    {38, "Selby", "Selby-MONITOR", "rover"},
    {39, "Selby Base", "Selby Base-MONITOR", "reference station"},
    {50, "Tamsin", "Tamsin-MONITOR", "handheld"},
    {51, "Tamsin Plus", "Tamsin Plus-MONITOR", "handheld"},
    {52, "Ulden", "Ulden-MONITOR", "embedded board"},
    {53, "Ulden Lite", "Ulden Lite-MONITOR", "embedded board"},
    {54, "Varley", "Varley-MONITOR", "reference station"},
    {55, "Varley Net", "Varley Net-MONITOR", "network reference station"},
    {56, "Wendle", "Wendle-MONITOR", "machine module"},
    {57, "Wendle Twin", "Wendle Twin-MONITOR", "machine module"},
    {58, "Yelland", "Yelland-MONITOR", "rover"},
    {59, "Yelland Base", "Yelland Base-MONITOR", "reference station"},
    {70, "Alderby", "Alderby-MONITOR", "rover"},
    {71, "Alderby Base", "Alderby Base-MONITOR", "reference station"},
    {72, "Birkett", "Birkett-MONITOR", "embedded board"},
    {73, "Birkett Dual", "Birkett Dual-MONITOR", "embedded board"},
    {74, "Cobbins", "Cobbins-MONITOR", "machine module"},
    {75, "Cobbins Twin", "Cobbins Twin-MONITOR", "machine module"},
    {76, "Kessick", "Kessick-MONITOR", "rover"},
    {77, "Kessick Base", "Kessick Base-MONITOR", "reference station"},
    {78, "Kessick Net", "Kessick Net-MONITOR", "network reference station"},
    {79, "Marden", "Marden-MONITOR", "handheld"},
    {100, "Tarrow", "Tarrow-MONITOR", "rover"},
    {101, "Tarrow Base", "Tarrow Base-MONITOR", "reference station"},
    {102, "Tarrow Lite", "Tarrow Lite-MONITOR", "rover"},
    {103, "Tarrow Net", "Tarrow Net-MONITOR", "network reference station"},
    {104, "Marden Plus", "Marden Plus-MONITOR", "handheld"},
    {105, "Pennock", "Pennock-MONITOR", "embedded board"},
    {106, "Pennock Dual", "Pennock Dual-MONITOR", "embedded board"},
    {107, "Pennock Heading", "Pennock Heading-MONITOR", "embedded heading board"},
    {108, "Rushmere", "Rushmere-MONITOR", "machine module"},
    {109, "Rushmere Twin", "Rushmere Twin-MONITOR", "machine module"},
    {130, "Stowell", "Stowell-MONITOR", "marine"},
    {131, "Stowell Dual", "Stowell Dual-MONITOR", "marine"},
    {132, "Thornby", "Thornby-MONITOR", "rover"},
    {133, "Thornby Base", "Thornby Base-MONITOR", "reference station"},
    {134, "Upwick", "Upwick-MONITOR", "embedded board"},
    {135, "Upwick Lite", "Upwick Lite-MONITOR", "embedded board"},
    {136, "Wrenfold", "Wrenfold-MONITOR", "machine module"},
    {137, "Wrenfold Twin", "Wrenfold Twin-MONITOR", "machine module"},
    {138, "Yoxley", "Yoxley-MONITOR", "handheld"},
    {139, "Yoxley Plus", "Yoxley Plus-MONITOR", "handheld"},
    {150, "Brackwell", "Brackwell-MONITOR", "rover"},
    {151, "Brackwell Base", "Brackwell Base-MONITOR", "reference station"},
    {152, "Benlow Lite", "Benlow Lite-MONITOR", "rover"},
    {153, "Benlow", "Benlow-MONITOR", "rover"},
    {154, "Benlow Base", "Benlow Base-MONITOR", "reference station"},
    {155, "Benlow Net", "Benlow Net-MONITOR", "network reference station"},
    {200, "Carrowby", "Carrowby-MONITOR", "embedded board"},
    {201, "Carrowby Dual", "Carrowby Dual-MONITOR", "embedded board"},
    {202, "Dallow", "Dallow-MONITOR", "machine module"},
    {203, "Dallow Twin", "Dallow Twin-MONITOR", "machine module"},
    {204, "Eskett", "Eskett-MONITOR", "marine"},
    {205, "Eskett Dual", "Eskett Dual-MONITOR", "marine"},
    {239, "Farleigh", "Farleigh-MONITOR", "rover"},
    {240, "Farleigh Lite", "Farleigh Lite-MONITOR", "rover"},
    {241, "Farleigh Net", "Farleigh Net-MONITOR", "network reference station"},
    {242, "Gorsley", "Gorsley-MONITOR", "rover"},
    {243, "Gorsley Base", "Gorsley Base-MONITOR", "reference station"},
    {244, "Hartswell", "Hartswell-MONITOR", "embedded board"},
    {245, "Hartswell Dual", "Hartswell Dual-MONITOR", "embedded board"},
    {246, "Ilminby", "Ilminby-MONITOR", "machine module"},
    {247, "Ilminby Twin", "Ilminby Twin-MONITOR", "machine module"},
    {248, "Jessop", "Jessop-MONITOR", "handheld"},
}};

// Models this plug-in services while they run their application: the current models of the table
// and two names that field units of the family report.
constexpr std::array<const char*, 52> kApplicationModels = {{
    "Orwin", "Orwin Base", "Pellow", "Pellow Dual", "Quarrie", "Quarrie Twin", "Selby",
    "Selby Base", "Tamsin", "Tamsin Plus", "Varley", "Varley Net", "Wendle", "Wendle Twin",
    "Yelland", "Yelland Base", "Alderby", "Alderby Base", "Birkett", "Birkett Dual", "Kessick",
    "Kessick Base", "Kessick Net", "Marden", "Tarrow", "Tarrow Base", "Tarrow Lite", "Tarrow Net",
    "Marden Plus", "Pennock", "Pennock Dual", "Pennock Heading", "Thornby", "Thornby Base",
    "Wrenfold", "Wrenfold Twin", "Brackwell", "Brackwell Base", "Benlow Lite", "Benlow",
    "Benlow Base", "Benlow Net", "Farleigh", "Farleigh Lite", "Farleigh Net", "Gorsley",
    "Gorsley Base", "Hartswell", "Hartswell Dual", "Jessop", "Vorin", "Vorin Rover",
}};

// The same models as their monitors report them, and the bare monitor name that early boot
// monitors of the family report.
constexpr std::array<const char*, 53> kMonitorModels = {{
    "Orwin-MONITOR", "Orwin Base-MONITOR", "Pellow-MONITOR", "Pellow Dual-MONITOR",
    "Quarrie-MONITOR", "Quarrie Twin-MONITOR", "Selby-MONITOR", "Selby Base-MONITOR",
    "Tamsin-MONITOR", "Tamsin Plus-MONITOR", "Varley-MONITOR", "Varley Net-MONITOR",
    "Wendle-MONITOR", "Wendle Twin-MONITOR", "Yelland-MONITOR", "Yelland Base-MONITOR",
    "Alderby-MONITOR", "Alderby Base-MONITOR", "Birkett-MONITOR", "Birkett Dual-MONITOR",
    "Kessick-MONITOR", "Kessick Base-MONITOR", "Kessick Net-MONITOR", "Marden-MONITOR",
    "Tarrow-MONITOR", "Tarrow Base-MONITOR", "Tarrow Lite-MONITOR", "Tarrow Net-MONITOR",
    "Marden Plus-MONITOR", "Pennock-MONITOR", "Pennock Dual-MONITOR", "Pennock Heading-MONITOR",
    "Thornby-MONITOR", "Thornby Base-MONITOR", "Wrenfold-MONITOR", "Wrenfold Twin-MONITOR",
    "Brackwell-MONITOR", "Brackwell Base-MONITOR", "Benlow Lite-MONITOR", "Benlow-MONITOR",
    "Benlow Base-MONITOR", "Benlow Net-MONITOR", "Farleigh-MONITOR", "Farleigh Lite-MONITOR",
    "Farleigh Net-MONITOR", "Gorsley-MONITOR", "Gorsley Base-MONITOR", "Hartswell-MONITOR",
    "Hartswell Dual-MONITOR", "Jessop-MONITOR", "Vorin-MONITOR", "Vorin Rover-MONITOR",
    "Vorin Boot-MONITOR",
}};
// clang-format on

}  // namespace

std::span<const ProductModel> ProductTable() {
    return kProductTable;
}
std::span<const char* const> ApplicationModelNames() {
    return kApplicationModels;
}
std::span<const char* const> MonitorModelNames() {
    return kMonitorModels;
}
