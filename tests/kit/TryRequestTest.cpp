// try's command line as bxdisc reads it, and the request that bxdisc makes
// of it and of the disc for the runner.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <nlohmann/json.hpp>

#include "TestDisc.h"
#include "kit/cli/Commands.h"
#include "kit/cli/Version.h"
#include "kit/try/TryRequest.h"
#include "kit/try/TrySchema.h"

namespace {

using nlohmann::json;

ParseOutcome Parse(const Command& command, std::vector<std::string> words, ParsedArgs* args,
                   std::string* error) {
    std::vector<char*> argv = {(char*)"bxdisc", (char*)command.name};
    for (std::string& w : words) argv.push_back(&w[0]);
    return ParseCommandLine(command, (int)argv.size(), argv.data(), 2, args, error);
}

std::string Joined(const std::vector<std::string>& words) {
    std::string all;
    for (const std::string& w : words) all += w + " ";
    return all;
}

// The request for try's words, read back; null when none was made.
json Request(std::vector<std::string> words, std::string* error) {
    ParsedArgs args;
    EXPECT_EQ(kParsed, Parse(kTryCommand, words, &args, error)) << *error;
    std::string text = TryRequestJson(kTryCommand, args, error);
    return text.empty() ? json() : json::parse(text);
}

TEST(TryCommandLine, IsReadAgainstTheTable) {
    struct Row {
        std::vector<std::string> words;
        ParseOutcome outcome;
        const char* said = "";  // in the error
    };
    const Row rows[] = {
        {{"D"}, kParsed},
        {{"D", "--system", "win95", "--click", "install", "--answer", "no", "--oleaut32", "3.50"}, kParsed},
        {{"D", "--system", "win7", "--fresh", "--no-sandbox"}, kParsed},
        {{"D", "--system", "win11"}, kParsed},
        {{"D", "--system", "win31"}, kUsageError},
        {{"D", "--system", "WINXP"}, kUsageError},
        {{"D", "--click", "setup"}, kUsageError},
        {{"D", "--answer", "maybe"}, kUsageError},
        {{"D", "--oleaut32", "5.0"}, kUsageError},
        {{"D", "--show", "--show"}, kUsageError},
        {{"D", "--system", "win98", "--system", "win95"}, kUsageError},
        {{"D", "--system"}, kUsageError},  // no value: nothing is read past the words
        {{"D", "--label", "X"}, kUsageError},
        {{}, kUsageError},
        {{"D", "E"}, kUsageError},
        {{"D", "--help"}, kHelpAsked},
        {{"D", "--", "-h"}, kParsed},  // the launcher's own switch, not bxdisc's
        // The value of --matrix only ever after "=": a next word is an operand, and
        // one that names systems, where the operands do not add up, the slip.
        {{"D", "--matrix"}, kParsed},
        {{"--matrix", "D"}, kParsed},
        {{"D", "--matrix=win95,win98,win11"}, kParsed},
        {{"D", "--matrix", "win95"}, kUsageError,
         "--matrix takes its SYSTEMS only after \"=\": did you mean --matrix=win95?"},
        {{"D", "--matrix", "win95,win98", "--junit", "x.xml"}, kUsageError, "did you mean --matrix=win95,win98?"},
        {{"--matrix", "win95", "D"}, kUsageError, "did you mean --matrix=win95?"},
        {{"D", "--matrix", "win31"}, kUsageError, "bxdisc try takes DISC_FOLDER"},
        {{"D", "--matrix=win95,win31"}, kUsageError, "not \"win31\""},
        {{"D", "--matrix=WIN95"}, kUsageError, "not \"WIN95\""},
        {{"D", "--matrix=win95,,win98"}, kUsageError, "empty item"},
        {{"D", "--matrix=win95,"}, kUsageError, "empty item"},
        {{"D", "--matrix=,win95"}, kUsageError, "empty item"},
        {{"D", "--matrix=win95,win98,win95"}, kUsageError, "names win95 twice"},
        {{"D", "--matrix="}, kUsageError, "--matrix= is empty"},
        {{"D", "--matrix", "--matrix=win95"}, kUsageError, "given twice"},
        {{"D", "-j", "4", "--matrix"}, kParsed},
        {{"D", "-j", "4", "--jobs", "3"}, kUsageError, "given twice"},
        {{"D", "-j"}, kUsageError, "-j needs a value (N)"},
        {{"D", "-j4"}, kUsageError, "no option -j4"},
        // Any other value the next word or after "=".
        {{"D", "--jobs=4", "--matrix"}, kParsed},
        {{"D", "--system=win95", "--click=install"}, kParsed},
        {{"D", "--system=win31"}, kUsageError, "--system takes win95|"},
        {{"D", "--system="}, kUsageError, "--system= is empty: give --system=SYSTEM"},
        {{"D", "--jobs=4", "-j", "4"}, kUsageError, "given twice"},
        {{"D", "--show=yes"}, kUsageError, "--show takes no value"},
        {{"D", "--bogus=1"}, kUsageError, "has no option --bogus"},
        {{"D", "--", "--matrix=win31"}, kParsed},
        // --merge takes shards' folders in place of the disc.
        {{"--merge", "A", "B", "--html", "P"}, kParsed},
        {{"--merge", "--junit", "J"}, kUsageError, "--merge takes one or more RESULTS_DIR"},
    };
    for (const Row& r : rows) {
        ParsedArgs args;
        std::string error;
        EXPECT_EQ(r.outcome, Parse(kTryCommand, r.words, &args, &error)) << Joined(r.words);
        EXPECT_NE(std::string::npos, error.find(r.said)) << Joined(r.words) << ": " << error;
    }
}

TEST(TryCommandLine, KeepsOptionsUnderTheirNames) {
    ParsedArgs args;
    std::string error;
    ASSERT_EQ(kParsed, Parse(kTryCommand, {"D", "-j", "8", "--matrix=win98,nt40"}, &args, &error)) << error;
    EXPECT_EQ("8", args.Get("--jobs"));
    EXPECT_EQ("win98,nt40", args.Get("--matrix"));
    ParsedArgs equals;
    ASSERT_EQ(kParsed, Parse(kTryCommand, {"D", "--jobs=8", "--screenshot=a=b.png"}, &equals, &error)) << error;
    EXPECT_EQ("8", equals.Get("--jobs"));
    EXPECT_EQ("a=b.png", equals.Get("--screenshot"));
    ParsedArgs bare;
    ASSERT_EQ(kParsed, Parse(kTryCommand, {"--matrix", "D"}, &bare, &error)) << error;
    EXPECT_TRUE(bare.Has("--matrix"));
    EXPECT_EQ(std::vector<std::string>{"D"}, bare.operands);
}

// Without choices an optional value is taken as it is.
TEST(TryCommandLine, AnOptionalValueWithoutChoicesIsAnyText) {
    const Command toy = {"toy", "X", 1, "", {{"--list", "ITEMS", "", nullptr, false, false, true}}, false, nullptr};
    ParsedArgs args;
    std::string error;
    ASSERT_EQ(kParsed, Parse(toy, {"X", "--list=a,,a"}, &args, &error)) << error;
    EXPECT_EQ("a,,a", args.Get("--list"));
    EXPECT_EQ("bxdisc toy X [--list[=ITEMS]]", Synopsis(toy));
}

TEST(TryCommandLine, ShowsTheOptionalValueAndTheAlias) {
    EXPECT_NE(std::string::npos, Synopsis(kTryCommand).find(" [--matrix[=SYSTEMS]] ")) << Synopsis(kTryCommand);
    EXPECT_NE(std::string::npos, Synopsis(kTryCommand).find(" [--jobs N] "));
    std::string help = CommandHelp(kTryCommand);
    EXPECT_NE(std::string::npos, help.find("\n  -j, --jobs N   ")) << help;
    EXPECT_NE(std::string::npos, help.find("\n  --matrix[=SYSTEMS]   ")) << help;
}

TEST(JsonString, GivesBackTheBytesThroughSurrogateEscape) {
    const struct {
        std::string bytes, json;
    } rows[] = {
        {"", "\"\""},
        {"setup.exe", "\"setup.exe\""},
        {"Caf\xC3\xA9", "\"Caf\xC3\xA9\""},                     // UTF-8 as it is
        {"\xF0\x9F\x92\xBF", "\"\xF0\x9F\x92\xBF\""},           // four bytes
        {"Caf\xE9", "\"Caf\\udce9\""},                          // Latin-1
        {"\xE2\x82" "A", "\"\\udce2\\udc82A\""},                // cut short
        {"\xE2\x82", "\"\\udce2\\udc82\""},                     // cut short at the end
        {"\xED\xA0\x80", "\"\\udced\\udca0\\udc80\""},          // a surrogate
        {"\xC0\xAF", "\"\\udcc0\\udcaf\""},                     // overlong '/'
        {"\xE0\x80\xAF", "\"\\udce0\\udc80\\udcaf\""},          // overlong
        {"\xF4\x90\x80\x80", "\"\\udcf4\\udc90\\udc80\\udc80\""},  // past U+10FFFF
        {"\x80\xFF", "\"\\udc80\\udcff\""},
        {"\x80\x80\x80\x80", "\"\\udc80\\udc80\\udc80\\udc80\""},  // no lead byte
        {"\xF5\x80\x80\x80", "\"\\udcf5\\udc80\\udc80\\udc80\""},  // no such lead byte
        {"a\tb\nc\x01\x1F\x7F", "\"a\\u0009b\\u000ac\\u0001\\u001f\\u007f\""},
        {std::string("a\0b", 3), "\"a\\u0000b\""},
        {"say \"hi\" C:\\x", "\"say \\\"hi\\\" C:\\\\x\""},
    };
    for (const auto& r : rows) EXPECT_EQ(r.json, JsonString(r.bytes)) << r.bytes;
}

// The runner is told the files as the disc holds them (found without regard
// to case, as Windows would), and only those that are there as files.
TEST(TryRequest, TellsTheFilesTheDiscHolds) {
    TestDisc disc;
    disc.LayOutClean();
    disc.SetKey("SetupExe", "SETUP\\SETUP32.EXE");
    disc.SetKey("InstDCOM95", "DCOM");  // a folder: nothing to stand in for
    disc.SetKey("Look4Title", "Brindle Demo -");
    disc.Finish();
    std::string error;
    json request = Request({disc.folder() + "/"}, &error);
    ASSERT_TRUE(request.is_object()) << error;
    std::vector<std::string> keys;
    for (auto it = request.begin(); it != request.end(); ++it) keys.push_back(it.key());
    // In nlohmann's order, by name; the text's own is checked below.
    EXPECT_EQ((std::vector<std::string>{"backdrop", "buttons", "bxdisc_version", "dcom", "disc", "format",
                                        "launcher", "look_for_title", "options", "package", "setup_exe",
                                        "tail"}),
              keys);
    EXPECT_EQ(1, request["format"]);
    EXPECT_EQ(kBxdiscVersion, request["bxdisc_version"]);
    EXPECT_EQ(disc.folder(), request["disc"]);
    EXPECT_EQ("setup.exe", request["launcher"]);
    EXPECT_EQ(json::parse(R"({"run": 100, "again": 101, "install": 102, "exit": 103})"), request["buttons"]);
    EXPECT_EQ("Setup/setup32.exe", request["setup_exe"]);
    EXPECT_TRUE(request["dcom"].is_null());
    EXPECT_EQ("Product.msi", request["package"]);
    EXPECT_EQ("Brindle Demo -", request["look_for_title"]);
    // The backdrop by nine sampled pixels: the test bitmap is colour 0 throughout.
    const json& backdrop = request["backdrop"];
    EXPECT_EQ(400, backdrop["width"]);
    EXPECT_EQ(300, backdrop["height"]);
    ASSERT_EQ(9u, backdrop["samples"].size());
    EXPECT_EQ(json::array({66, 37, TestColour(0)}), backdrop["samples"][0]);
    EXPECT_EQ(json::array({333, 187, TestColour(0)}), backdrop["samples"][8]);
    EXPECT_EQ(json::object(), request["options"]);
    EXPECT_TRUE(request["tail"].is_null());
}

TEST(TryRequest, IsWrittenInItsOrderTwoSpacesIn) {
    TestDisc disc;
    disc.LayOutClean();
    disc.Finish();
    ParsedArgs args;
    std::string error;
    ASSERT_EQ(kParsed, Parse(kTryCommand, {disc.folder()}, &args, &error));
    std::string text = TryRequestJson(kTryCommand, args, &error);
    size_t at = 0;
    for (const char* key : {"format", "bxdisc_version", "disc", "launcher", "buttons", "setup_exe", "dcom",
                            "package", "backdrop", "options", "tail"}) {
        size_t next = text.find(std::string("\n  \"") + key + "\": ");
        EXPECT_LT(at, next) << key;
        at = next;
    }
    const std::string head = "{\n  \"format\": 1,\n", end = ",\n  \"tail\": null\n}\n";
    EXPECT_EQ(head, text.substr(0, head.size()));
    ASSERT_GT(text.size(), end.size());
    EXPECT_EQ(end, text.substr(text.size() - end.size()));
}

TEST(TryRequest, HandsOnTheOptionsTypedAndTheLaunchersArguments) {
    TestDisc disc;
    disc.LayOutClean();
    disc.SetKey("AutorunBackdrop", "absent.bmp");
    disc.Finish();
    const struct {
        std::vector<std::string> words;
        const char* options;
    } rows[] = {
        {{"--system", "win98", "--installed", "--no-sandbox", "--timeout", "9", "--launcher", "SETUP.EXE"},
         R"({"system": "win98", "installed": true, "timeout": 9, "no_sandbox": true})"},
        {{"--matrix"}, R"({"matrix": []})"},
        {{"--matrix=win95,nt40", "-j", "04", "--html", "out", "--junit", "j.xml"},
         R"({"matrix": ["win95", "nt40"], "jobs": 4, "html": "out", "junit": "j.xml"})"},
        {{"--show", "--screenshot", "a b.png", "--click", "install", "--answer", "no", "--oleaut32", "3.50",
          "--dpi", "192", "--fresh"},
         R"({"show": true, "screenshot": "a b.png", "click": "install", "answer": "no", "oleaut32": "3.50",
             "dpi": 192, "fresh": true})"},
        {{"--whole", "--matrix", "--screenshot", "s.png"}, R"({"matrix": [], "whole": true, "screenshot": "s.png"})"},
    };
    for (const auto& r : rows) {
        std::vector<std::string> words = {disc.folder()};
        words.insert(words.end(), r.words.begin(), r.words.end());
        std::string error;
        json request = Request(words, &error);
        ASSERT_TRUE(request.is_object()) << error;
        EXPECT_EQ(json::parse(r.options), request["options"]) << Joined(r.words);
        EXPECT_EQ("setup.exe", request["launcher"]);
        EXPECT_TRUE(request["backdrop"].is_null());
    }
    std::string error;
    EXPECT_EQ(json::parse(R"(["/L:de", "a b"])"), Request({disc.folder(), "--", "/L:de", "a b"}, &error)["tail"]);
    // "--" alone: the launcher gets no arguments at all, not /autorun.
    EXPECT_EQ(json::array(), Request({disc.folder(), "--"}, &error)["tail"]);
}

TEST(TryRequest, NamesTheDiscFromTheRoot) {
    TestDisc disc;
    disc.LayOutClean();
    disc.Finish();
    size_t slash = disc.folder().rfind('/');
    std::string parent = disc.folder().substr(0, slash), name = disc.folder().substr(slash + 1);
    char* before = getcwd(nullptr, 0);
    ASSERT_EQ(0, chdir(parent.c_str()));
    std::string error;
    for (const std::string& given : {name, "./" + name + "/", "././" + name})
        EXPECT_EQ(disc.folder(), Request({given}, &error)["disc"]) << given;
    ASSERT_EQ(0, chdir(disc.folder().c_str()));
    EXPECT_EQ(disc.folder(), Request({"."}, &error)["disc"]);
    EXPECT_EQ(0, chdir(before));
    free(before);
}

// Each number is checked once, as the request is written, against its range in
// try's schema: a fault there is the command line's, said before the disc is read.
TEST(TryRequest, TakesEachNumberInItsRangeOnly) {
    for (const TryNumber& n : kTryNumbers) {
        for (long value : {n.least - 1, n.least, n.most, n.most + 1}) {
            ParsedArgs args;
            std::string error, range = " takes " + std::to_string(n.least) + " to " + std::to_string(n.most);
            ASSERT_EQ(kParsed, Parse(kTryCommand, {"/absent", n.option, std::to_string(value)}, &args, &error));
            bool bUsage = false, bIn = value >= n.least && value <= n.most;
            EXPECT_EQ("", TryRequestJson(kTryCommand, args, &error, &bUsage));
            EXPECT_EQ(!bIn, bUsage) << n.option << " " << value;
            EXPECT_NE(std::string::npos, error.find(bIn ? "cannot read the folder" : n.option + range)) << error;
        }
    }
}

TEST(TryRequest, NoneWithoutTheFolderOrItsLauncher) {
    TestDisc disc;
    disc.LayOutClean();
    disc.Finish();
    std::string error;
    EXPECT_TRUE(Request({disc.folder() + "/absent"}, &error).is_null());
    EXPECT_NE(std::string::npos, error.find("cannot read")) << error;
    EXPECT_TRUE(Request({disc.folder(), "--launcher", "autorun.exe"}, &error).is_null());
    EXPECT_NE(std::string::npos, error.find("no autorun.exe")) << error;
    EXPECT_TRUE(Request({disc.folder(), "--launcher", "Setup"}, &error).is_null());  // a folder
    // A number that is none, should a caller skip the range checks.
    EXPECT_TRUE(Request({disc.folder(), "--timeout", "9x"}, &error).is_null());
    EXPECT_NE(std::string::npos, error.find("--timeout takes a whole number")) << error;
}

}  // namespace
