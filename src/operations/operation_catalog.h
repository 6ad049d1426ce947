#pragma once

#include "frame/operation_list.h"

// The operations that the plug-in ships, in host order.
OperationCatalog ShippedOperationCatalog();
