#pragma once

// The windows were laid out in twips: 1440 to the inch, 15 to a pixel at 96 dpi.
constexpr int twipsToPixels(int twips)
{
    return (twips + 7) / 15;
}

constexpr int pixelsToTwips(int pixels)
{
    return pixels * 15;
}
