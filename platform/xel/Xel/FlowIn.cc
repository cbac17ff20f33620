#include "Xel/FlowIn.h"

#include "Xel/Exception.h"
#include "Xel/Text.h"

namespace Xel::NboAttrLog {

TextIn::Piece TextIn::pieceRead(In& in) {
  Piece p;
  p.total = in.nextU32();
  p.offset = in.nextU32();
  p.bytes = in.nextString8();
  return p;
}

void TextIn::pieceIs(Piece const& p, U32 limit) {
  if (p.total > limit) {
    throwRangeException(
        format("a text of %u bytes is longer than the %u a reader accepts", p.total, limit));
  }
  // A piece at offset 0 starts the text again; any other continues it.
  std::size_t const have = p.offset == 0 ? 0 : text_.size();
  if (p.offset != 0 && (!started_ || p.offset != have || p.total != total_)) {
    throwRangeException(format("a text piece at offset %u of %u bytes follows %zu bytes of %u",
                               p.offset, p.total, have, started_ ? total_ : 0));
  }
  if (std::size_t{p.offset} + p.bytes.size() > p.total) {
    throwRangeException(format("a text piece of %zu bytes at offset %u overruns the text's %u",
                               p.bytes.size(), p.offset, p.total));
  }
  if (p.offset == 0) text_.clear();
  text_.append(p.bytes.view());
  total_ = p.total;
  started_ = true;
}

}  // namespace Xel::NboAttrLog
