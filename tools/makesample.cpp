// fiberscope-makesample: writes one synthetic end-face image. Every option has a default, so
// `fiberscope-makesample clean.png` gives a clean end face that passes.

#include "tools/EndFaceGenerator.h"
#include "tools/MtFaceGenerator.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

namespace
{
// A frame without a fiber by its name with dashes for blanks ("lens-cap"); -1 when none.
int EmptyFrameKindNamed(const char* name)
{
    for (int k = 0; k < EmptyFrameKinds; ++k)
    {
        std::string dashed = EmptyFrameName(static_cast<EmptyFrameKind>(k));
        for (char& c : dashed)
            c = c == ' ' ? '-' : c;
        if (dashed == name)
            return k;
    }
    return -1;
}

const char* const Usage =
    "Usage: fiberscope-makesample [options] OUTPUT.(png|bmp|jpg)\n"
    "Writes a synthetic fiber end face: a bright ferrule around a darker cladding, mild noise,\n"
    "and the defects and scratches asked for. Same options and seed give the same file.\n"
    "Positions are in pixels relative to the fiber centre (x right, y down).\n"
    "\n"
    "  --preset NAME         start from a built-in face: typical, speckled (about 1,000 bright\n"
    "                        specks over the cladding) or dark-scratched (a dark frame crossed\n"
    "                        by bright lines and specks); later options change it. A frame\n"
    "                        without a fiber: uniform, noise, specks-on-black, bare-ferrule,\n"
    "                        blurred or lens-cap (its own seed: give --seed before it)\n"
    "  --size WxH            640x480 (default) or 720x480\n"
    "  --colour              a faint colour tint (default: grey)\n"
    "  --seed N              noise seed (default 1)\n"
    "  --offset DX,DY        fiber centre relative to the image centre (default 0,0)\n"
    "  --radius R            cladding radius in pixels (default 150)\n"
    "  --core R              draw a core of radius R (default: none)\n"
    "  --noise N             noise amplitude in grey levels (default 1)\n"
    "  --defect X,Y,D[,G]    dark disc of diameter D at (X,Y), grey G (default 20); repeatable\n"
    "  --scratch X0,Y0,X1,Y1[,W[,STEP]]\n"
    "                        bright line W pixels wide (default 3), STEP levels brighter (default 6);\n"
    "                        repeatable\n"
    "  --specks PITCH        fine bright specks over the cladding on a grid of this pitch\n"
    "  --help                this text\n"
    "\n"
    "A multi-fibre (MT) ferrule instead: --mt overview or --mt view, with\n"
    "  --fibres N            fibres per row: 8, 12 (default) or 16\n"
    "  --rows N              1 (default) or 2\n"
    "  --um-per-pixel S      scale (view: default 0.5; overview: chosen so the rows fit)\n"
    "  --first-fibre N       view: the leftmost whole fibre (default 1)\n"
    "  --tilt DEG            the rows turned clockwise (default 0)\n"
    "  --back-lit            bright fibres on a dark ferrule (default: dark on bright)\n"
    "  --multimode           a 50 um core (default: single mode, 9 um)\n"
    "  --bare                the ferrule without fibres\n"
    "  --mt-defect N,X,Y,D   dark disc of D um on fibre N, (X,Y) um from its centre; repeatable\n"
    "  --mt-scratch N,X0,Y0,X1,Y1[,W]\n"
    "                        bright line W um wide (default 3) on fibre N; repeatable\n"
    "  --seed N, --noise N   as above\n"
    "For example: fiberscope-makesample --mt view --um-per-pixel 0.6 --first-fibre 3\n"
    "             --mt-defect 3,20,-10,6 mt.png   (fibre 3 fails mt-sm-apc: a 6 um defect in B)\n";

bool ParseFloats(const char* text, std::vector<float>& values, std::size_t min, std::size_t max)
{
    values.clear();
    std::stringstream in(text);
    std::string item;
    while (std::getline(in, item, ','))
    {
        char* end = nullptr;
        const float v = std::strtof(item.c_str(), &end);
        if (item.empty() || *end != '\0')
            return false;
        values.push_back(v);
    }
    return values.size() >= min && values.size() <= max;
}

int Fail(const std::string& message)
{
    std::fprintf(stderr, "fiberscope-makesample: %s\n", message.c_str());
    return 2;
}

// fiberscope-makesample --mt overview|view ...: an MT ferrule.
int MakeMt(int argc, char** argv)
{
    std::string kind, output;
    int fibres = 12, rows = 1, first = 1;
    float scale = 0.0f, tilt = 0.0f;
    bool backLit = false, multimode = false, bare = false;
    std::uint32_t seed = 1;
    int noise = 1;
    std::vector<MtDefect> defects;
    std::vector<MtScratch> scratches;
    std::vector<float> v;
    for (int i = 1; i < argc; ++i)
    {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h")
        {
            std::fputs(Usage, stdout);
            return 0;
        }
        if (arg == "--back-lit" || arg == "--multimode" || arg == "--bare")
        {
            (arg == "--back-lit" ? backLit : arg == "--multimode" ? multimode : bare) = true;
            continue;
        }
        if (arg.rfind("--", 0) != 0)
        {
            if (!output.empty())
                return Fail("only one output file, please");
            output = arg;
            continue;
        }
        if (i + 1 >= argc)
            return Fail(arg + " needs a value");
        const char* value = argv[++i];
        const std::string bad = "bad value for " + arg + ": " + value;
        const bool one = ParseFloats(value, v, 1, 1);
        if (arg == "--mt" && (std::strcmp(value, "overview") == 0 || std::strcmp(value, "view") == 0))
            kind = value;
        else if (arg == "--fibres" && one && (v[0] == 8 || v[0] == 12 || v[0] == 16))
            fibres = static_cast<int>(v[0]);
        else if (arg == "--rows" && one && (v[0] == 1 || v[0] == 2))
            rows = static_cast<int>(v[0]);
        else if (arg == "--um-per-pixel" && one && v[0] >= 0.1f && v[0] <= 20.0f)
            scale = v[0];
        else if (arg == "--first-fibre" && one && v[0] >= 1 && v[0] == std::floor(v[0]))
            first = static_cast<int>(v[0]);
        else if (arg == "--tilt" && one && std::fabs(v[0]) <= 45.0f)
            tilt = v[0];
        else if (arg == "--seed" && one && v[0] >= 0)
            seed = static_cast<std::uint32_t>(std::strtoul(value, nullptr, 10));
        else if (arg == "--noise" && one && v[0] >= 0)
            noise = static_cast<int>(v[0]);
        else if (arg == "--mt-defect" && ParseFloats(value, v, 4, 4) && v[3] > 0)
            defects.push_back({static_cast<int>(v[0]), v[1], v[2], v[3], 20});
        else if (arg == "--mt-scratch" && ParseFloats(value, v, 5, 6))
            scratches.push_back(
                {static_cast<int>(v[0]), v[1], v[2], v[3], v[4], v.size() > 5 ? v[5] : 3.0f, 6});
        else
            return Fail(bad + " (see --help)");
    }
    if (kind.empty())
        return Fail("--mt needs overview or view");
    if (first > fibres * rows)
        return Fail("--first-fibre " + std::to_string(first) + " is past the connector's " +
                    std::to_string(fibres * rows) + " fibres");
    for (const MtDefect& d : defects)
        if (d.Fibre < 1 || d.Fibre > fibres * rows)
            return Fail("--mt-defect on fibre " + std::to_string(d.Fibre) +
                        ", which the connector does not have");
    for (const MtScratch& s : scratches)
        if (s.Fibre < 1 || s.Fibre > fibres * rows)
            return Fail("--mt-scratch on fibre " + std::to_string(s.Fibre) +
                        ", which the connector does not have");
    if (output.empty())
        return Fail("no output file given (see --help)");

    MtFaceRecipe recipe = kind == "overview" ? MtOverview(fibres, rows)
                                             : MtFibreView(scale > 0.0f ? scale : 0.5f, first, fibres, rows);
    if (kind == "overview" && scale > 0.0f)
        recipe.UmPerPixel = scale;
    recipe.Seed = seed;
    recipe.Noise = noise;
    recipe.TiltDegrees = tilt;
    recipe.Fibres = !bare;
    recipe.CoreRadiusUm = multimode ? 25.0f : kind == "overview" ? 0.0f : 4.5f;
    if (backLit)
    {
        recipe.Ferrule = 45;
        recipe.Guide = 220;
    }
    recipe.Defects = defects;
    recipe.Scratches = scratches;
    std::string error;
    if (!WriteEndFace(MakeMtFace(recipe), true, output, error))
        return Fail(error);
    return 0;
}
} // namespace

int main(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--mt") == 0)
            return MakeMt(argc, argv);
    EndFaceRecipe recipe;
    std::string output;
    std::vector<float> v;
    for (int i = 1; i < argc; ++i)
    {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h")
        {
            std::fputs(Usage, stdout);
            return 0;
        }
        if (arg == "--colour" || arg == "--color")
        {
            recipe.Colour = true;
            continue;
        }
        if (arg.rfind("--", 0) != 0)
        {
            if (!output.empty())
                return Fail("only one output file, please");
            output = arg;
            continue;
        }
        if (i + 1 >= argc)
            return Fail(arg + " needs a value");
        const char* value = argv[++i];
        const std::string bad = "bad value for " + arg + ": " + value;
        if (arg == "--preset")
        {
            if (std::strcmp(value, "typical") == 0)
                recipe = TypicalEndFace();
            else if (std::strcmp(value, "speckled") == 0)
                recipe = SpeckledEndFace();
            else if (std::strcmp(value, "dark-scratched") == 0)
                recipe = DarkScratchedFrame();
            else if (const int empty = EmptyFrameKindNamed(value); empty >= 0)
                recipe = EmptyFrame(static_cast<EmptyFrameKind>(empty), recipe.Seed);
            else
                return Fail(bad + " (typical, speckled, dark-scratched, or a frame without a fiber: "
                                  "uniform, noise, specks-on-black, bare-ferrule, blurred, lens-cap)");
        }
        else if (arg == "--size")
        {
            if (std::strcmp(value, "640x480") == 0)
                recipe.Width = 640;
            else if (std::strcmp(value, "720x480") == 0)
                recipe.Width = 720;
            else
                return Fail(bad + " (640x480 or 720x480)");
            recipe.Height = 480;
        }
        else if (arg == "--seed" && ParseFloats(value, v, 1, 1) && v[0] >= 0)
            recipe.Seed = static_cast<std::uint32_t>(std::strtoul(value, nullptr, 10));
        else if (arg == "--offset" && ParseFloats(value, v, 2, 2))
        {
            recipe.OffsetX = v[0];
            recipe.OffsetY = v[1];
        }
        else if (arg == "--radius" && ParseFloats(value, v, 1, 1) && v[0] > 0)
            recipe.CladdingRadius = v[0];
        else if (arg == "--core" && ParseFloats(value, v, 1, 1) && v[0] >= 0)
            recipe.CoreRadius = v[0];
        else if (arg == "--noise" && ParseFloats(value, v, 1, 1) && v[0] >= 0)
            recipe.Noise = static_cast<int>(v[0]);
        else if (arg == "--specks" && ParseFloats(value, v, 1, 1) && v[0] >= 0)
            recipe.SpeckSpacing = static_cast<int>(v[0]);
        else if (arg == "--defect" && ParseFloats(value, v, 3, 4))
            recipe.Defects.push_back({v[0], v[1], v[2], v.size() > 3 ? static_cast<int>(v[3]) : 20});
        else if (arg == "--scratch" && ParseFloats(value, v, 4, 6))
            recipe.Scratches.push_back({v[0], v[1], v[2], v[3], v.size() > 4 ? v[4] : 3.0f,
                                        v.size() > 5 ? static_cast<int>(v[5]) : 6});
        else if (arg == "--seed" || arg == "--offset" || arg == "--radius" || arg == "--core" ||
                 arg == "--noise" || arg == "--specks" || arg == "--defect" || arg == "--scratch")
            return Fail(bad);
        else
            return Fail("unknown option " + arg + " (see --help)");
    }
    if (output.empty())
        return Fail("no output file given (see --help)");

    std::string error;
    if (!WriteEndFace(MakeEndFace(recipe), !recipe.Colour, output, error))
        return Fail(error);
    return 0;
}
