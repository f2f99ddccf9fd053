#include "platform/TImageRefusal.h"

#include "platform/TRasterBase.h"

#include <cstring>

std::string DescribeRefusal(const TImageRefusal& refusal)
{
    switch (refusal.Problem)
    {
    case TImageProblem::None:
        return "was read";
    case TImageProblem::Missing:
        return "does not exist";
    case TImageProblem::NotRegularFile:
        return "is not a regular file";
    case TImageProblem::Unreadable:
        return std::string("cannot be read: ") + std::strerror(refusal.SystemError);
    case TImageProblem::NotAnImage:
        return "is not a BMP, JPEG or PNG image";
    case TImageProblem::Unsupported:
        return "is a kind of image this program does not read: " + refusal.Detail;
    case TImageProblem::Damaged:
        return "is damaged or truncated";
    case TImageProblem::WrongSize:
        return "is " + std::to_string(refusal.Width) + " x " + std::to_string(refusal.Height) + " pixels";
    case TImageProblem::OutOfMemory:
        return "could not be loaded: out of memory";
    }
    return "was refused";
}

bool TImageSizes::Accepts(long long width, long long height) const
{
    if (width < 1 || height < 1 || width > TRasterBase::MaxSide || height > TRasterBase::MaxSide ||
        width * height > TRasterBase::MaxPixels)
        return false;
    if (Sizes.empty())
        return true;
    for (const TImageSize& s : Sizes)
        if (s.Width == width && s.Height == height)
            return true;
    return false;
}
