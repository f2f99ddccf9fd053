#pragma once
// Synthetic fiber end faces for tests, benchmarks and the bundled samples.
// A bright ferrule around a darker cladding disc (so the edge search finds a dark-to-bright step
// outwards from the image centre), an optional core, mild bounded noise, dark defects and
// bright scratch lines. Deterministic: the same description and seed give the same bytes on
// every machine (own random generator, no floating-point in the noise).
// For the edge locator's trials a face can also be elliptic, ringed by epoxy, lit from behind
// (set Cladding above Background), lie on a textured ferrule, be out of focus, or hold no fiber
// at all. Every such field defaults to off, and off leaves the bytes of a face unchanged.

#include "platform/TBitmap.h"

#include <cstdint>
#include <string>
#include <vector>

// A dark disc. Position relative to the fiber centre, in pixels.
struct EndFaceDefect
{
    float X = 0.0f;
    float Y = 0.0f;
    float Diameter = 6.0f;
    int Grey = 20;
};

// A bright line from (X0, Y0) to (X1, Y1), relative to the fiber centre. Each pixel within
// Width / 2 of the segment is Step grey levels brighter than what lies under it.
struct EndFaceScratch
{
    float X0 = 0.0f;
    float Y0 = 0.0f;
    float X1 = 0.0f;
    float Y1 = 0.0f;
    float Width = 3.0f;
    int Step = 6;
};

struct EndFaceRecipe
{
    int Width = 640;
    int Height = 480;
    bool Colour = false; // a faint tint whose grey conversion gives exactly the grey levels below
    std::uint32_t Seed = 1;
    float OffsetX = 0.0f; // fiber centre relative to the image centre
    float OffsetY = 0.0f;
    float CladdingRadius = 150.0f;
    int Background = 190;
    // After the engine's 1.5x stretch 88 becomes 132: bright enough that a scratch 6 levels
    // above it passes the brightness test (> 135), dark enough that noise alone never does.
    int Cladding = 88;
    float CoreRadius = 0.0f; // 0: no core drawn
    int Core = 78;
    int Noise = 1; // uniform in [-Noise, Noise]
    // > 0: 3 x 3 specks Step levels above the cladding on a jittered grid of this pitch over the
    // cladding, each a small scratch-candidate group that detection has to fill and drop.
    int SpeckSpacing = 0;
    int SpeckStep = 6;
    std::vector<EndFaceDefect> Defects;
    std::vector<EndFaceScratch> Scratches;

    bool Fiber = true;      // false: no cladding, core or epoxy, only the ferrule (or a dark field)
    float AxisRatio = 1.0f; // vertical over horizontal radius of cladding, core and epoxy ring
    // > CladdingRadius: an epoxy ring of grey Epoxy between the cladding and this radius.
    float EpoxyRadius = 0.0f;
    int Epoxy = 150;
    // > 0: smooth random relief of this many grey levels (peak) on the ferrule, cells of
    // TextureCell pixels, plus fine grain of a quarter of it.
    int FerruleTexture = 0;
    float TextureCell = 24.0f;
    float Blur = 0.0f; // > 0: Gaussian blur of this sigma (pixels) before the noise, as out of focus
};

// Frames without a fiber, for the locator's refusals.
enum class EmptyFrameKind
{
    Uniform,       // one grey level, the noise of a good camera
    Noise,         // strong noise around a mid grey
    SpecksOnBlack, // bright dust specks on a black field
    BareFerrule,   // textured ferrule, no fiber in the bore
    Blurred,       // a textured, speckled ferrule far out of focus
    LensCap,       // dark frame with hot pixels
};
inline constexpr int EmptyFrameKinds = 6;
const char* EmptyFrameName(EmptyFrameKind kind);
EndFaceRecipe EmptyFrame(EmptyFrameKind kind, std::uint32_t seed);

// The default face with its fiber centre (dx, dy) pixels from the picture's centre.
EndFaceRecipe OffCentreEndFace(float dx, float dy);

// A typical inspected face: a core, defects in core, cladding and contact zone, one cladding
// scratch.
EndFaceRecipe TypicalEndFace();
// The hardest case for scratch detection: the cladding covered with fine bright specks, each a
// small scratch-candidate group that is filled and dropped.
EndFaceRecipe SpeckledEndFace();

// The hardest case for defect detection: a dark frame, everywhere below the defect thresholds,
// crossed by many bright lines and covered with bright specks, as a crop of a scratch data set
// scaled to camera size looks. Dark regions fill the whole cladding circle and contact ring and
// are cut by the lines into many groups.
EndFaceRecipe DarkScratchedFrame();

// splitmix64: tiny, well mixed and the same everywhere (std distributions are not), so generated
// faces and the sets of faces the tools draw are the same bytes on every machine.
class TEndFaceRandom
{
public:
    explicit TEndFaceRandom(std::uint64_t seed) : State_(seed) {}
    std::uint64_t Next()
    {
        std::uint64_t z = (State_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // Uniform in [-n, n].
    int Symmetric(int n)
    {
        return n <= 0 ? 0 : static_cast<int>(Next() % static_cast<std::uint64_t>(2 * n + 1)) - n;
    }
    // Uniform in [a, b], in steps of a millionth.
    float Uniform(float a, float b) { return a + (b - a) * static_cast<float>(Next() % 1000001) / 1e6f; }
    // Uniform in [a, b].
    int Int(int a, int b) { return a + static_cast<int>(Next() % static_cast<std::uint64_t>(b - a + 1)); }
    bool Chance(float p) { return Uniform(0.0f, 1.0f) < p; }

private:
    std::uint64_t State_;
};

// The end face as a 24-bit bitmap; without Colour every pixel has three equal bytes.
TBitmap MakeEndFace(const EndFaceRecipe& recipe);

// The face's grey image, one byte per pixel, row-major: the blue byte of a grey face's pixels,
// for the parts of the engine that take a grey image.
std::vector<std::uint8_t> MakeEndFaceGrey(const EndFaceRecipe& recipe);

// Separable Gaussian of sigma pixels over w x h grey levels (row-major), borders clamped, rounded
// back to whole levels.
void BlurGreyLevels(std::vector<int>& grey, int w, int h, float sigma);

// Writes the image to path, its format from the extension (.png, .bmp, .jpg/.jpeg). A grey image
// goes into PNG as 8-bit grey; BMP is always 24-bit, as the program writes its own. Written to a
// temporary name beside path and renamed, so a failure leaves no partial file. On failure
// returns false and sets error.
bool WriteEndFace(const TBitmap& image, bool grey, const std::string& path, std::string& error);
