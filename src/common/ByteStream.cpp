#include "common/ByteStream.h"

#include "common/Error.h"

#include <algorithm>

namespace tobrix {

void WriteAll(ByteSink& sink, const char* data, std::size_t size) {
    if (size != 0 && sink.Write(data, size) != size)
        throw AppError(std::string(kMsgWriteError));
}

std::string ReadAll(ByteSource& source) {
    std::string data;
    // Chunks that grow with the file: few reads for a large one, little waste for a small one.
    std::size_t chunk = std::size_t{1} << 16;
    for (;;) {
        const std::size_t old = data.size();
        data.resize(old + chunk);
        const std::size_t got = source.Read(data.data() + old, chunk);
        data.resize(old + got);
        if (got < chunk)
            return data;
        chunk = std::min(chunk * 2, std::size_t{1} << 24);
    }
}

} // namespace tobrix
