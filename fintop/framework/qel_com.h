// The aggregate-node module (QELCOM): the top nodes of mapped models.
#pragma once

#include "framework/fi_iterator.h"
#include "framework/platform.h"

// A top aggregate node; its contents are the aggregate-node module's.
struct QELAggNode;

extern "C" {
// The top node already made for key, or null.
QELCOM_API QELAggNode* FI_CDECL FindTopNode(void* key);
// Makes the top node for key from an iterator on the top entry; takes over the iterator.
QELCOM_API QELAggNode* FI_CDECL GetTopAggNode(FIIterator* iterator, void* key);
}
