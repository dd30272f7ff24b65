#include "platform/print/PrintTypes.h"

#include <algorithm>

namespace platform {

double PenWidth::inches(double dpi) const
{
    const double onePixel = 1.0 / dpi;
    double width = 0.0;
    if (hundredths_)
        width = value_ / 100.0;
    else if (value_ < 0)
        width = -value_ / 100.0;
    else
        width = value_ / dpi;
    return std::max(width, onePixel);
}

}  // namespace platform
