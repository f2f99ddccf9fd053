#pragma once
// A TurboJPEG decompressor handle that is released with its owner; shared by the two JPEG roads.

#include <turbojpeg.h>

struct TDecompressor
{
    tjhandle Handle = tjInitDecompress();
    ~TDecompressor()
    {
        if (Handle)
            tjDestroy(Handle);
    }
    TDecompressor() = default;
    TDecompressor(const TDecompressor&) = delete;
    TDecompressor& operator=(const TDecompressor&) = delete;
};
