// The stand-in aggregate-node module (QELCOM): FindTopNode and GetTopAggNode (declared in
// framework/qel_com.h), and what the stand-in framework and the tests need besides.
//
// A top node is kept per key (the second argument of GetQELNode) until forgotten; it owns the
// iterator it was made with and deletes it with DeleteFIIterator when forgotten.
#pragma once

#include "framework/qel_com.h"

extern "C" {
// The iterator the node was made with, standing where its holder left it; the node keeps
// ownership. Null for a null node.
QELCOM_API FIIterator* FI_CDECL QELAggNodeIterator(QELAggNode* node);
// Forgets every top node, deleting them and their iterators; nodes handed out before are
// dangling afterwards. For tests, between cases.
QELCOM_API void FI_CDECL QELForgetAggNodes();
}
