#include "operations/operation_catalog.h"

#include <memory>

#include "operations/config_retrieve_operation.h"
#include "operations/retrieve_error_log_operation.h"
#include "operations/retrieve_version_operation.h"
#include "operations/wipe_nvc_operation.h"

// Each shipped operation is listed here by a factory, in host order:
//   index 0  CRetrieveVersionOperation   "Verify GPS software version"
//   index 1  CConfigRetrieveOperation    "Verify receiver options"
//   index 2  CRetrieveErrorLogOperation  "View error log"
// and, as the service operation (listed only when Ctrl+Alt are held while the host loads the
// plug-in), CWipeNVCOperation "Wipe Radio Configuration Blocks". For example:
//   catalog.regular.push_back([] { return std::make_unique<CRetrieveVersionOperation>(); });
//   catalog.service = [] { return std::make_unique<CWipeNVCOperation>(); };
// An operation is added here only once it exists; the list never carries a stand-in.
OperationCatalog ShippedOperationCatalog() {
    OperationCatalog catalog;
    catalog.regular.push_back([] { return std::make_unique<CRetrieveVersionOperation>(); });
    catalog.regular.push_back([] { return std::make_unique<CConfigRetrieveOperation>(); });
    catalog.regular.push_back([] { return std::make_unique<CRetrieveErrorLogOperation>(); });
    catalog.service = [] { return std::make_unique<CWipeNVCOperation>(); };
    return catalog;
}
