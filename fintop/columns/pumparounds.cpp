// A pumparound's draw and return streams: the pumparound names them in two variables; the
// streams are its siblings, reached by the named-stream hop.
#include "framework/named_stream.h"
#include "framework/walks.h"
#include "framework/workers.h"

namespace {

const std::string kFeed = "Feed";        // names the draw stream
const std::string kProduct = "Product";  // names the return stream

// The named-stream hop from the pumparound; an empty variable names no stream (a value that is
// not empty but holds no text fails at the last Down). Records nothing. With move non-zero,
// success leaves the caller's iterator on the stream and a failure leaves it where the failing
// step did; with move 0 the caller's iterator never moves.
FINTOP_INLINE bool PumparoundStream(FIIterator& it, int move, const std::string& variable) {
  return fintop::NamedStream(it, move, variable, fintop::StreamNameTest::kEmptyValue);
}

}  // namespace

// The workers; framework/entries.cpp exports each as its callback (FINTOP_CALLBACKS).
namespace fintop::workers {

// The stream the pumparound draws from the column ("Feed").
bool CTPumparoundDraw(FIIterator& it, int move) {
  return PumparoundStream(it, move, kFeed);
}

// The stream the pumparound returns to the column ("Product").
bool CTPumparoundReturn(FIIterator& it, int move) {
  return PumparoundStream(it, move, kProduct);
}

}  // namespace fintop::workers
