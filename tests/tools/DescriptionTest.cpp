#include "tests/support/ScopedEnv.h"
#include "tests/tools/SampleData.h"
#include "tests/tools/ToolsTestSupport.h"
#include "tools/datagen/Command.h"
#include "tools/datagen/DataGenerator.h"
#include "tools/datagen/DescriptionRunner.h"
#include "tools/datagen/Expression.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include <unistd.h>

namespace {

Variables sampleVariables()
{
    Variables v;
    v["width"] = "320";
    v["half"] = "width / 2";
    v["label"] = "New game";
    v["x"] = "7";
    return v;
}

} // namespace

TEST(DescriptionExpression, ArithmeticFunctionsAndVariables)
{
    const Variables v = sampleVariables();
    struct Case {
        const char* text;
        double value;
    } cases[] = {
        {"1 + 2 * 3", 7},       {"(1 + 2) * 3", 9},  {"-4 / 2", -2},         {"7 % 4", 3},
        {"width / 2 - 4", 156}, {"half + 1", 161},  {"min(3, 1, 2)", 1},    {"max(width, 10)", 320},
        {"round(2.5)", 3},      {"floor(-0.5)", -1}, {"sqrt(16)", 4},        {"abs(-3)", 3},
        {"sin(90)", 1},         {"cos(180)", -1},    {"2 * -x", -14},        {".5 + 1.25", 1.75},
    };
    for (const Case& c : cases)
        EXPECT_NEAR(Expression::evaluate(c.text, v), c.value, 1e-9) << c.text;

    struct Bad {
        const char* text;
        const char* message;
    } bad[] = {
        {"1 +", "a value is missing"},       {"2 / 0", "division by zero"},
        {"5 % 0", "division by zero"},       {"foo", "unknown name 'foo'"},
        {"label", "'label' is 'New game', not a number"},
        {"(1", "')' is missing"},            {"sin(1, 2)", "sin takes one value"},
        {"bogus(1)", "unknown function 'bogus'"}, {"1 2", "unexpected '2'"},
        {"#fff", "unexpected '#'"},
    };
    for (const Bad& b : bad) {
        try {
            Expression::evaluate(b.text, v);
            ADD_FAILURE() << b.text << " evaluated";
        } catch (const Expression::Error& e) {
            EXPECT_NE(std::string(e.what()).find(b.message), std::string::npos) << b.text << ": " << e.what();
        }
    }
    EXPECT_EQ(Expression::format(12), "12");
    EXPECT_EQ(Expression::format(0.5), "0.5");
    EXPECT_EQ(Expression::format(-0.0), "0");
    EXPECT_EQ(Expression::evaluate(Expression::format(1.0 / 3.0), v), 1.0 / 3.0);
}

TEST(DescriptionLine, SubstitutionCommentsContinuationsAndTokens)
{
    const Variables v = sampleVariables();
    EXPECT_EQ(DescriptionRunner::substitute("text \"$label\" {width/2} $$5 ${x}px \"{kept}\" $ alone", v),
              "text \"New game\" 160 $5 7px \"{kept}\" $ alone");
    EXPECT_THROW(DescriptionRunner::substitute("rect $nothing", v), std::runtime_error);
    EXPECT_THROW(DescriptionRunner::substitute("rect {1 +", v), std::runtime_error);

    const std::vector<DescriptionRunner::Line> lines = DescriptionRunner::split(
        "# heading\n"
        "fill #fff   # white, a colour and then a comment\n"
        "\n"
        "rect 1 2 \\\n"
        "     3 4 fill=#000\r\n"
        "text \"a # not a comment\" 0 0\n");
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].number, 2);
    EXPECT_EQ(lines[0].text, "fill #fff");
    EXPECT_EQ(lines[1].number, 4);
    EXPECT_EQ(lines[1].text, "rect 1 2       3 4 fill=#000");
    EXPECT_EQ(lines[2].text, "text \"a # not a comment\" 0 0");

    Command c("f.gen", 3, "rect 0 0 10 10 fill=linear(0, 0, 0, 10, #fff, #000) title=\"a b\" \"c=d\" \"say \\\"hi\\\"\"", v);
    EXPECT_EQ(c.name(), "rect");
    ASSERT_EQ(c.count(), 6u);
    EXPECT_EQ(c.text(4), "c=d");
    EXPECT_EQ(c.text(5), "say \"hi\"");
    EXPECT_EQ(c.option("fill"), "linear(0, 0, 0, 10, #fff, #000)");
    EXPECT_EQ(c.option("title"), "a b");
    EXPECT_EQ(Command::splitList(c.option("fill").substr(7, 27)).size(), 6u);
    c.finish();

    Command unused("f.gen", 9, "rect 1 2 typo=3", v);
    try {
        unused.finish();
        ADD_FAILURE() << "an unknown option passed";
    } catch (const DataError& e) {
        EXPECT_STREQ(e.what(), "f.gen:9: rect does not take the option 'typo'");
    }
    EXPECT_THROW(Command("f.gen", 1, "text \"open", v), DataError);
    EXPECT_THROW(Command("f.gen", 1, "fill linear(0, 0", v), DataError);
    EXPECT_THROW(Command("f.gen", 1, "rect 0 0 1 1 fill=#fff fill=#000", v), DataError);
}

TEST(DescriptionErrors, NameTheFileAndLineOfTheFault)
{
    DataFolder data;
    data.write("bad.inc", "# a fragment\nrect 0 0 1 1 colour=#fff\n");
    data.write("loop.png.gen", "picture 2 2\nimage loop.png 0 0\n");
    struct Case {
        const char* output;
        const char* description;
        const char* message;
    } cases[] = {
        {"a.png", "picture 4 4\nrectangle 0 0 1 1 fill=#fff\n", "a.png.gen:2: unknown picture command 'rectangle'"},
        {"a.png", "picture 4 4\nrect 0 0 1 fill=#fff\n", "a.png.gen:2: rect takes X Y WIDTH HEIGHT (3 values given)"},
        {"a.png", "picture 4 4\nrect 0 0 1 1 fil=#fff fill=#fff\n", "a.png.gen:2: rect does not take the option 'fil'"},
        {"a.png", "picture 4 4\n\nrect 0 0 one 1 fill=#fff\n", "a.png.gen:3: rect: bad expression 'one': unknown name 'one'"},
        {"a.png", "picture 4 4\nrect 0 0 1 1 fill=#ggg\n", "a.png.gen:2: rect: '#ggg' is not a colour"},
        {"a.png", "picture 4 4\nrect 0 0 1 1\n", "a.png.gen:2: rect needs fill=PAINT, stroke=PAINT or both"},
        {"a.png", "picture 4 4\nfill spiral(1, 2)\n", "a.png.gen:2: fill: unknown paint 'spiral'"},
        {"a.png", "picture 4 4\ntext \"abc 0 0\n", "a.png.gen:2: a quoted text is not closed"},
        {"a.png", "picture 4 4\ninclude missing.inc\n", "a.png.gen:2: include: 'missing.inc' is not a file"},
        {"a.png", "picture 4 4\ninclude bad.inc\n", "bad.inc:2: rect does not take the option 'colour'"},
        {"a.png", "picture 4 4\nrect 0 0 $w 1 fill=#fff\n", "a.png.gen:2: unknown variable 'w'"},
        {"a.png", "picture 4 4\nrepeat i 0 3\nrect i 0 1 1 fill=#fff\n", "a.png.gen:2: repeat: its 'end' is missing"},
        {"a.png", "picture 4 4\nend\n", "a.png.gen:2: 'end' without a block to close"},
        {"a.png", "picture 4 4\nrepeat i 0 3 0\nend\n", "a.png.gen:2: repeat: the step cannot be 0"},
        {"a.png", "picture 4 4\ntext \"x\" 0 0 font=NoSuchFont.ttf\n", "a.png.gen:2: text: the font 'NoSuchFont.ttf' is not found"},
        {"a.png", "picture 4 4 frames=2\nframe 2\nend\n", "a.png.gen:2: frame: the frame must be a whole number from 0 to 1"},
        {"a.png", "picture 4 4\nframe 0\nframe 0\nend\nend\n", "a.png.gen:3: frame: frame blocks do not nest"},
        {"a.png", "picture 0 4\n", "a.png.gen:1: picture: the width must be a whole number from 1"},
        {"a.png", "picture 8192 8192\n", "a.png.gen:1: picture: 8192 x 8192 pixels is too large"},
        {"a.png", "picture 4 4\npicture 4 4\n", "a.png.gen:2: picture: a description draws one picture"},
        {"a.png", "picture 4 4\nimage nothing.png 0 0\n", "a.png.gen:2: image: 'nothing.png' has no description"},
        {"a.png", "picture 4 4\nimage loop.png 0 0\n", "loop.png.gen:2: image: pictures are composed of one another too deeply"},
        {"a.gif", "picture 4 4\n", "a.gif.gen: a picture is written as .png, .jpg"},
        {"a.png", "# only a comment\n", "a.png.gen: describes nothing"},
        {"a.png", "music 1\n", "a.png.gen:1: 'music' names no kind of description"},
        {"a.wav", "sound\ntone 0 1 H4\n", "a.wav.gen:2: tone: 'H4' is not a note"},
        {"a.wav", "sound\nnotes 0 \"C4:1 C4:0\"\n", "a.wav.gen:2: notes: the step 'C4:0' must last more than 0 beats"},
        {"a.wav", "sound\nbeep 0 1\n", "a.wav.gen:2: unknown sound command 'beep'"},
        {"a.wav", "sound rate=12345\n", "a.wav.gen:1: sound: rate is 8000, 11025"},
        {"a.wav", "sound\ntone 0 1 440 env=1,2,3\n", "a.wav.gen:2: tone: env is ATTACK,DECAY,SUSTAIN,RELEASE"},
        {"a.mp3", "sound\n", "a.mp3.gen: a sound is written as .wav or .ogg"},
        {"a.kyf", "font DejaVuSans.ttf chars=klingon\n", "a.kyf.gen:1: font: unknown character set 'klingon'"},
        {"a.kyf", "font Missing.ttf\n", "a.kyf.gen:1: font: the font file 'Missing.ttf' is not found"},
        {"a.kyf", "font DejaVuSans.ttf\nsize 12\n", "a.kyf.gen:2: a font description has only its 'font' line"},
        {"a.ttf", "font DejaVuSans.ttf\n", "a.ttf.gen: a font is written as .kyf or .font"},
        {"a.ogg", "voice \"\"\n", "a.ogg.gen:1: voice: the text is empty"},
        {"a.ogg", "voice \"Hi\" language=\"en; rm\"\n", "a.ogg.gen:1: voice: 'en; rm' is not a language or variant name"},
    };
    for (const Case& c : cases) {
        const std::string message = data.failure(c.output, c.description);
        const std::string expected = data.root() + "/" + c.message;
        EXPECT_EQ(message.compare(0, expected.size(), expected), 0) << "got:      " << message << "\nexpected: " << expected;
    }
}

TEST(DescriptionTree, MakesCopiesAndSkipsByNameTheSameBytesEachRun)
{
    DataFolder data;
    data.write("Styles/frame.inc", "border 2 #c0a060\n");
    data.write("GUI/Panel.png.gen",
               "picture 48 24\nfill noise(#203040, #405060, 6, 3, 9)\ninclude ../Styles/frame.inc\n"
               "text \"Été\" 24 12 size=12 fill=#fff align=center valign=middle\n");
    data.write("Sounds/Beep.ogg.gen", "sound channels=2\nnotes 0 \"C5:0.5 E5:0.5\" tempo=240 wave=square amp=0.3\n");
    data.write("Fonts/Small.kyf.gen", "font DejaVuSans.ttf size=10 chars=ascii\n");
    data.write("Scripts/scene.lua", "-- a scene script\nfunction OnWarpEnter() end\n");
    data.write(".hidden/secret.txt", "not data\n");
    data.write("Texts/notes.txt~", "an editor's back-up\n");

    TempDir out1("kytree");
    TempDir out2("kytree");
    const std::vector<std::string> fonts = {KY_FONT_DIR};
    EXPECT_EQ(DataGenerator::buildTree(data.root(), out1.path(), fonts), 4);
    EXPECT_EQ(DataGenerator::buildTree(data.root(), out2.path(), fonts), 4);
    for (const char* made : {"GUI/Panel.png", "Sounds/Beep.ogg", "Fonts/Small.kyf", "Scripts/scene.lua"}) {
        const std::string first = out1.readFile(made);
        EXPECT_FALSE(first.empty()) << made;
        EXPECT_EQ(first, out2.readFile(made)) << made << " differs between two runs";
    }
    EXPECT_EQ(out1.readFile("Scripts/scene.lua"), "-- a scene script\nfunction OnWarpEnter() end\n");
    EXPECT_FALSE(out1.exists("Styles"));
    EXPECT_FALSE(out1.exists(".hidden"));
    EXPECT_FALSE(out1.exists("Texts"));
    EXPECT_FALSE(out1.exists("GUI/Panel.png.gen"));

    EXPECT_EQ(DataGenerator::roleOf("a/b.png.gen"), DataGenerator::Generated);
    EXPECT_EQ(DataGenerator::roleOf("a/.gen"), DataGenerator::Ignored);
    EXPECT_EQ(DataGenerator::roleOf("a/b.inc"), DataGenerator::Fragment);
    EXPECT_EQ(DataGenerator::roleOf("a/b.xml"), DataGenerator::Copied);
    EXPECT_EQ(DataGenerator::outputOf("a/b.jpg.zlib.gen"), "a/b.jpg.zlib");
}

TEST(DescriptionTree, TheSampleDataIsTheSameBytesSeriallyInParallelAndOnAFreshAccount)
{
    // The sample data made twice from clean folders: once file after file
    // in this process, once by one kydatagen program per file, all cores at
    // once, as the build makes it. Each runs as a user who has never run
    // anything (an empty home, no runtime folder), as on a fresh machine,
    // where tools the generator calls set themselves up on their first run.
    // Both must give the bytes the build gave.
    const std::vector<std::string> fonts = {KY_FONT_DIR};
    ScopedEnv noRuntime("XDG_RUNTIME_DIR");
    ScopedEnv noConfig("XDG_CONFIG_HOME");
    TempDir serial("kysample");
    {
        TempDir home("kyhome");
        ScopedEnv freshHome("HOME", home.path());
        EXPECT_EQ(size_t(DataGenerator::buildTree(KY_DATA_DIR, serial.path(), fonts)), SampleData::outputs().size());
    }
    TempDir parallel("kysample");
    TempDir home("kyhome");
    std::string jobs;
    std::vector<std::string> generated;
    for (const std::string& file : SampleData::outputs())
        if (access(SampleData::source(file + ".gen").c_str(), F_OK) == 0) {
            generated.push_back(file);
            jobs += SampleData::source(file + ".gen") + "\n" + parallel.file(file) + "\n";
        }
    ASSERT_TRUE(home.writeFile("jobs", jobs));
    int status = 0;
    const std::string output = run("HOME=" + home.path() + " xargs -d '\\n' -n 2 -P " + std::to_string(2 * sysconf(_SC_NPROCESSORS_ONLN))
                                       + " " + KY_TOOLS_DIR + "/kydatagen --data " + KY_DATA_DIR + " --fonts " + KY_FONT_DIR
                                       + " < " + home.file("jobs"),
                                   status);
    ASSERT_EQ(status, 0) << output;
    for (const std::string& file : SampleData::outputs()) {
        const std::string bytes = serial.readFile(file);
        EXPECT_FALSE(bytes.empty()) << file;
        EXPECT_TRUE(bytes == SampleData::read(SampleData::made(file))) << file << " differs from the build's";
    }
    for (const std::string& file : generated)
        EXPECT_TRUE(serial.readFile(file) == parallel.readFile(file)) << file << " differs between the two runs";
}

TEST(DescriptionDepfile, ListsEveryFileTheOutputWasMadeFrom)
{
    DataFolder data;
    data.write("Styles/plate.inc", "rect 0 0 width height fill=#804020\n");
    data.write("Parts/Icon.png.gen", "picture 4 4\nfill #fff\n");
    data.write("Button.png.gen", "picture 16 16\ninclude Styles/plate.inc\nimage /Parts/Icon.png 2 2\n"
                                 "text \"A\" 8 8 font=DejaVuSans-Bold.ttf size=10\n");
    DataContext context = data.context();
    DataGenerator::generate(context, data.path("Button.png.gen"), "Button.png");
    DataGenerator::writeDepfile(data.path("deps/Button png.d"), data.path("out/Button png"), context.filesRead());
    const std::string depfile = readBytes(data.path("deps/Button png.d"));
    EXPECT_EQ(depfile.find(data.path("out/Button\\ png") + ":"), 0u) << depfile;
    for (const std::string& read : {data.path("Button.png.gen"), data.path("Styles/plate.inc"),
                                    data.path("Parts/Icon.png.gen"), std::string(KY_FONT_DIR) + "/DejaVuSans-Bold.ttf"})
        EXPECT_NE(depfile.find(read), std::string::npos) << read << " missing from\n" << depfile;
}

TEST(DescriptionTools, CommandLinesReportFaultsWithTheirStatus)
{
    DataFolder data;
    data.write("bad.png.gen", "picture 4 4\nrect 0 0 1 1 fill=#fff bogus=1\n");
    data.write("good.wav.gen", "sound\ntone 0 0.1 440\n");
    const std::string tool = std::string(KY_TOOLS_DIR) + "/kydatagen";
    int status = 0;
    EXPECT_NE(run(tool + " --help", status).find("Usage:"), std::string::npos);
    EXPECT_EQ(status, 0);
    const std::string fault = run(tool + " --data " + data.root() + " " + data.path("bad.png.gen") + " " + data.path("bad.png"), status);
    EXPECT_EQ(status, 1);
    EXPECT_NE(fault.find(data.path("bad.png.gen") + ":2: rect does not take the option 'bogus'"), std::string::npos) << fault;
    EXPECT_FALSE(data.context().isRegularFile(data.path("bad.png")));
    run(tool + " --depfile " + data.path("good.d") + " " + data.path("good.wav.gen") + " " + data.path("out/good.wav"), status);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(readBytes(data.path("out/good.wav")).compare(0, 4, "RIFF"), 0);
    EXPECT_NE(readBytes(data.path("good.d")).find("good.wav.gen"), std::string::npos);
    run(tool + " --what", status);
    EXPECT_EQ(status, 2);

    const std::string font = std::string(KY_TOOLS_DIR) + "/kyfont";
    EXPECT_NE(run(font + " --help", status).find("Usage: kyfont"), std::string::npos);
    EXPECT_EQ(status, 0);
    const std::string missing = run(font + " " + data.path("none.ttf") + " " + data.path("x.kyf"), status);
    EXPECT_EQ(status, 1);
    EXPECT_NE(missing.find(data.path("none.ttf") + ": is not a font file"), std::string::npos) << missing;
    run(font + " --size 12 --chars latin1 " + std::string(KY_FONT_DIR) + "/DejaVuSans.ttf " + data.path("f.font"), status);
    EXPECT_EQ(status, 0);
    EXPECT_FALSE(readBytes(data.path("f.font")).empty());
}
