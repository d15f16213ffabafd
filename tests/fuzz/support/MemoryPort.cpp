#include "MemoryPort.h"

#include <algorithm>
#include <cstring>

void TMemoryPort::SetInput(const uint8_t *data, size_t size)
{
    FInput.assign(data, data + size);
    FPos = 0;
    FRead.clear();
}

bool TMemoryPort::ReadData(void *buffer, int Count, int &BytesRead)
{
    const size_t wanted = Count > 0 ? static_cast<size_t>(Count) : 0;
    auto *bytes = static_cast<uint8_t *>(buffer);
    if (wanted > 0)
        std::memset(bytes, 0, wanted);
    const size_t n = std::min(wanted, Remaining());
    if (n > 0) {
        std::memcpy(bytes, FInput.data() + FPos, n);
        FRead.insert(FRead.end(), FInput.begin() + static_cast<std::ptrdiff_t>(FPos),
                     FInput.begin() + static_cast<std::ptrdiff_t>(FPos + n));
    }
    FPos += n;
    BytesRead = static_cast<int>(n);
    return n == wanted;
}

bool TMemoryPort::WriteData(const void *buffer, int Count, int &BytesWritten)
{
    const auto *bytes = static_cast<const uint8_t *>(buffer);
    const Bytes request(bytes, bytes + (Count > 0 ? Count : 0));
    if (FFailWrites > 0) {
        --FFailWrites;
        BytesWritten = 0;
        return request.empty();
    }
    FWrites.push_back(request);
    BytesWritten = static_cast<int>(request.size());
    if (FResponder) {
        const Bytes answer = FResponder(request);
        FInput.insert(FInput.end(), answer.begin(), answer.end());
    }
    return true;
}
