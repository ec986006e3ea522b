#include "json_reader.h"

#include "json_writer.h"

namespace kit {

bool SeekTo(std::FILE* file, std::uint64_t offset) {
#if defined(_WIN32)
  return _fseeki64(file, static_cast<long long>(offset), SEEK_SET) == 0;
#else
  return fseeko(file, static_cast<off_t>(offset), SEEK_SET) == 0;
#endif
}

}  // namespace kit
