// Error messages, their composition, the default questions and wildcard matching.
#include "zip/wildcard.h"
#include "zip/zaerrors.h"

#include "support/archives.h"

#include <gtest/gtest.h>

using namespace hsa::zip;

TEST(ZipErrors, EveryCodeMapsToItsMessage)
{
    // One representative expectation per message group, with the message
    // texts exactly as the engine shows them, arguments filled in.
    const struct {
        std::vector<int> codes;
        ZipArgs args;
        std::string text;
    } rows[] = {
        {{0}, {}, "Unknown error"}, {{1, 2, 3, 4, 7, 16, 21, 24}, {}, "Index out of bounds"},
        {{5}, {}, "Invalid compression mode. Mode must be in [0-9] range"}, {{6}, {}, "Unexpected nil pointer"},
        {{8}, {}, "Invalid size or check sum of file or unsupported compression format"},
        {{9, 10, 29}, {}, "File name is blank. Specify appropriate file name"},
        {{11, 12, 15, 18, 30, 31, 38, 42, 53, 54}, {"a.zip"}, "File \"a.zip\" not found"},
        {{13, 14}, {}, "Archive is not open"}, {{17}, {}, "SFXStub property is not specified"},
        {{19, 23}, {"x"}, "Cannot create file \"x\""}, {{20}, {"d"}, "Cannot create directory \"d\""},
        {{22, 25}, {}, "Internal error. Update is not started"},
        {{26}, {}, "Cannot proceed when update is not ended. Preceding EndUpdate call is required."},
        {{27}, {"f"}, "Cannot delete file \"f\""}, {{28}, {}, "In-memory archive can be created only"},
        {{32}, {}, "File is open in read-only mode"}, {{33}, {"f"}, "Cannot open file \"f\""},
        {{34}, {"100", "50"}, "Invalid compressed size, rfs.size = 100, count = 50"},
        {{35}, {}, "Invalid archive file."},
        {{36}, {"f"}, "Cannot create output file. Probably file is locked by another process. FileName = 'f'."},
        {{37}, {}, "Archive is open. You should close it beore performing this operation."},
        {{39}, {}, "Unable to create directory"}, {{40}, {}, "Cannot find 64-bit directory end record"},
        {{41, 43}, {"f"}, "Cannot compress file 'f'. Zip64 mode is not enabled"},
        {{44, 45}, {}, "Cannot open archive file. Opening aborted or invalid file"},
        {{46}, {}, "Write to stream error"},
        {{47}, {}, "Cannot place SFX stub on volume. Volume size limit is too small"},
        {{48, 57}, {}, "Archive is damaged. Open failed"},
        {{49}, {}, "MakeSFX is not allowed for splitted or spanned archives. Set SFXStub before archive creation instead of MakeSFX"},
        {{50}, {}, "Archive already has SFX stub"}, {{51}, {}, "Multi-volume archive is not allowed for custom stream"},
        {{52}, {}, "Multi-spanned archive is not allowed for modification. Use BeginUpdate/EndUpdate methods to add files several times"},
        {{55}, {}, "Deflate64 compression method is not supported"}, {{56}, {}, "MakeSFX error"},
        {{58, 59}, {}, "Hashed list of file names is invalid"}, {{60}, {"d"}, "Cannot delete folder \"d\""},
        {{61}, {"/long"}, "File name is too long: \r\n\"/long\""},
        {{62}, {}, "Multiple transactions are not supported for multi-volume archives"},
        {{63}, {"5", "4"}, "Invalid InitVector index = 5. Index should be >= 0 and < 4"},
        {{65, 66}, {}, "Disk is full. There is not enough free space on disk."},
        {{67}, {}, "Invalid password. Cannot decompress encrypted file."},
        {{68}, {}, "Too many open files. Close other programs and try again."},
    };
    for (const auto& r : rows)
        for (int code : r.codes)
            EXPECT_EQ(EZAException(code, r.args).BareMessage(), r.text) << "code " << code;
}

TEST(ZipErrors, ComposedWithComponentNameAndNativeSuffix)
{
    // No name: no prefix.
    EXPECT_STREQ(EZAException(65).what(), "Disk is full. There is not enough free space on disk. - Native error: 00065");
    // The archiver raises with its name.
    test::TempDir dir;
    ZipArchiver z;
    z.Name = "ZipArchiver1";
    z.SetFileName(dir / "fehlt.kvz");
    try {
        z.OpenArchive(openmode::ReadWrite);
        FAIL() << "no exception";
    } catch (const EZAException& e) {
        EXPECT_EQ(std::string(e.what()),
                  "ZipArchiver1: File \"" + (dir / "fehlt.kvz") + "\" not found - Native error: 00012");
    }
    z.SetFileName(dir.path() + "/");
    EXPECT_EQ(test::NativeErrorOf([&] { z.OpenArchive(); }), 9);
    EXPECT_EQ(test::NativeErrorOf([&] { z.OpenArchive(openmode::Create); }), 10);
    EXPECT_THROW(z.SetCompressionMode(10), EZAException);
}

namespace {

// Opens the protected dispatchers for the test.
struct DispatchArchiver : ZipArchiver {
    using ZABaseArchiver::DoOnConfirmOverwrite;
    using ZABaseArchiver::DoOnDiskFull;
    using ZABaseArchiver::DoOnPassword;
    using ZABaseArchiver::DoOnProcessFileFailure;
};

} // namespace

TEST(ZipEvents, DefaultQuestionsTheirAnswersAndHandlersInTheirPlace)
{
    test::ScriptedDialogs d;
    DispatchArchiver z;
    z.Dialogs = &d;
    std::string dest = "ziel.txt";
    bool confirm = false;
    d.overwrite = ZipDialogs::OverwriteAnswer::YesToAll;
    z.Options.OverwriteMode_ = OverwriteMode::Prompt;
    z.DoOnConfirmOverwrite("quelle.txt", dest, confirm);
    EXPECT_TRUE(confirm);
    EXPECT_EQ(d.asked.back(), "Overwrite file \"ziel.txt\" with \"quelle.txt\"");
    // Yes to all sticks for the rest of the archiver's life.
    EXPECT_EQ(z.Options.OverwriteMode_, OverwriteMode::Always);

    const struct {
        ZipDialogs::FailureAnswer answer;
        int native, code;
        const char* message;
        ZAAction action;
        const char* asked;   // nullptr: no question
        bool retry;
    } rows[] = {
        {ZipDialogs::FailureAnswer::Retry, 33, 12, "Cannot open file \"f\"", ZAAction::Retry,
         "Cannot open file \"f\". File processing error, possibly disk is full", true},
        {ZipDialogs::FailureAnswer::Ignore, 61, 36, "File name is too long", ZAAction::Skip, "File name is too long", false},
        {ZipDialogs::FailureAnswer::Retry, 45, 24, "x", ZAAction::Abort, nullptr, false},
    };
    for (const auto& r : rows) {
        d.failure = r.answer;
        d.asked.clear();
        ZAAction action = ZAAction::Retry;
        z.DoOnProcessFileFailure("f", ProcessOperation::Add, r.native, r.code, r.message, action);
        EXPECT_EQ(action, r.action) << r.native;
        EXPECT_EQ(d.asked, r.asked ? std::vector<std::string>{r.asked} : std::vector<std::string>{}) << r.native;
        EXPECT_EQ(d.retryOffered, r.retry) << r.native;
    }

    std::string pw;
    bool skip = false;
    d.password = "geheim";
    z.DoOnPassword("9a-21222.dbf", pw, skip);
    EXPECT_FALSE(skip);
    EXPECT_EQ(pw, "geheim");
    EXPECT_EQ(d.asked.back(), "Password for \"9a-21222.dbf\"|Enter password: ");
    d.password.reset();
    z.DoOnPassword("x", pw, skip);
    EXPECT_TRUE(skip);

    bool cancel = false;
    EXPECT_EQ(test::NativeErrorOf([&] { z.DoOnDiskFull(1, "a.zip", cancel); }), 65);

    // Handlers replace the questions.
    z.OnProcessFileFailure = [&](ZABaseArchiver&, const std::string&, ProcessOperation, int, int, const std::string&,
                                 ZAAction& a) { a = a == ZAAction::Skip ? ZAAction::Retry : ZAAction::Abort; };
    ZAAction action = ZAAction::Abort;
    z.DoOnProcessFileFailure("x", ProcessOperation::Extract, 33, 12, "m", action);
    EXPECT_EQ(action, ZAAction::Retry);   // preset to skip before the call

    // Without dialogs and handlers nothing is asked: skip the password, abort failures.
    DispatchArchiver quiet;
    skip = false;
    quiet.DoOnPassword("x", pw, skip);
    EXPECT_TRUE(skip);
    quiet.DoOnProcessFileFailure("x", ProcessOperation::Extract, 8, 4, "m", action);
    EXPECT_EQ(action, ZAAction::Abort);
}

TEST(ZipWildcards, MatchingRules)
{
    std::string stars;
    for (int i = 0; i < 200; ++i)
        stars += "*a";
    const struct {
        std::string name, mask;
        bool ignoreCase, matches;
    } cases[] = {
        {"9A-21222.DBF", "*.dbf", true, true}, {"9a-21222.dbf", "*.DBF", true, true},
        {"9a-21222.dbf", "*.DBF", false, false}, {"README", "*.*", true, true}, {"", "*.*", true, true},
        {"", "?", true, false}, {"a", "?", true, true}, {"ab", "?", true, false},
        {"ab", "a*b", true, true},   // a star also matches an empty run
        {"axxb", "a*b", true, true}, {"a", "a*", true, true},
        {"a", "a**", true, false},   // name used up, more than one star left
        {"ab", "a**", true, true}, {"", "*", true, true}, {"abc", "ab", true, false}, {"ab", "abc", true, false},
        // Umlauts compare exactly even when case is ignored.
        {"\xC3\x84rger.txt", "\xC3\xA4rger.txt", true, false}, {"\xC3\xA4rger.TXT", "\xC3\xA4rger.txt", true, true},
        {"hsa_9a.imp", "hsa?9*.imp", true, true}, {"x.y.z", "*.z", true, true}, {"abcabd", "*abd", true, true},
        {"abcabe", "*abd", true, false},
        // Many stars against a long name that does not match: no exponential search.
        {std::string(5000, 'a'), stars + "b", true, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(MatchesWildcard(c.name, c.mask, c.ignoreCase), c.matches)
            << c.name.substr(0, 20) << " against " << c.mask.substr(0, 20);
}
