#include "framework/rtl/Classes.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <string>

#include "tests/common/AsUser.h"
#include "tests/rtl/TempFolder.h"

using namespace rtl;

namespace {

template <class E, class F>
std::string MessageOf(F&& f)
{
    try {
        f();
    } catch (const E& e) {
        return e.Message();
    }
    return "(nothing raised)";
}

}  // namespace

TEST(Streams, MemoryStreamReadsAndWrites)
{
    TMemoryStream m;
    m.WriteBuffer("abcdef", 6);
    EXPECT_EQ(m.Size(), 6);
    EXPECT_EQ(m.Position(), 6);
    m.SetPosition(2);
    char buf[8] = {};
    m.ReadBuffer(buf, 3);
    EXPECT_EQ(std::string(buf, 3), "cde");
    EXPECT_EQ(m.Read(buf, 8), 1);  // only what is left
    EXPECT_EQ(m.Read(buf, 8), 0);
    m.SetPosition(10);  // writing past the end fills the gap with zeros
    m.WriteBuffer("z", 1);
    EXPECT_EQ(m.Size(), 11);
    EXPECT_EQ(m.Memory()[7], 0);
    m.SetSize(3);
    EXPECT_EQ(m.Position(), 3);
}

TEST(Streams, ReadingPastTheEndRaises)
{
    TempFolderFixture tmp;
    const String file = tmp.File("four.bin");
    TempFolderFixture::Put(file, "1234");
    char buf[8];

    TMemoryStream m;
    m.LoadFromFile(file);
    EXPECT_EQ(m.Size(), 4);
    EXPECT_EQ(m.Position(), 0);
    m.SetPosition(2);
    EXPECT_EQ(MessageOf<EReadError>([&] { m.ReadBuffer(buf, 3); }), "Stream read error");

    TFileStream f(file, fmOpenRead | fmShareDenyNone);
    f.ReadBuffer(buf, 4);
    EXPECT_EQ(MessageOf<EReadError>([&] { f.ReadBuffer(buf, 1); }), "Stream read error");
}

TEST(Streams, FileStreamModes)
{
    TempFolderFixture tmp;
    const String file = tmp.File("s.bin");
    {
        TFileStream f(file, fmCreate);
        f.WriteBuffer("hello", 5);
    }
    {
        TFileStream f(file, fmOpenReadWrite);
        f.Seek(0, TSeekOrigin::soEnd);
        f.WriteBuffer("!", 1);
        EXPECT_EQ(f.Size(), 6);
    }
    {
        TFileStream f(file, fmOpenRead);
        EXPECT_THROW(f.WriteBuffer("x", 1), EWriteError);
    }
    TMemoryStream m;
    m.WriteBuffer("replaced", 8);
    m.SaveToFile(file);  // replaces the longer file whole
    EXPECT_EQ(TempFolderFixture::Get(file), "replaced");

    TMemoryStream copy;
    TFileStream src(file, fmOpenRead | fmShareDenyNone);
    src.SetPosition(3);
    EXPECT_EQ(copy.CopyFrom(src, 0), 8);  // 0 copies the whole source from its start
    EXPECT_EQ(std::string(reinterpret_cast<char*>(copy.Memory()), 8), "replaced");
}

TEST(Streams, ReadAtLeavesThePositionAndStopsAtTheEnd)
{
    TempFolderFixture tmp;
    const String file = tmp.File("at.bin");
    TempFolderFixture::Put(file, "0123456789");
    TFileStream f(file, fmOpenRead | fmShareDenyNone);
    f.SetPosition(2);
    char buf[8] = {};
    EXPECT_EQ(f.ReadAt(5, buf, 3), 3);
    EXPECT_EQ(std::string(buf, 3), "567");
    EXPECT_EQ(f.Position(), 2);
    EXPECT_EQ(f.ReadAt(8, buf, 8), 2) << "short at the end of the file";
    EXPECT_EQ(std::string(buf, 2), "89");
    EXPECT_EQ(f.ReadAt(10, buf, 4), 0);
    f.ReadBuffer(buf, 2);
    EXPECT_EQ(std::string(buf, 2), "23");
}

TEST(Streams, OpenAndCreateErrorsNameTheFileAndTheReason)
{
    TempFolderFixture tmp;
    const String missing = tmp.File("none.bin");
    EXPECT_EQ(MessageOf<EFOpenError>([&] { TFileStream f(missing, fmOpenRead | fmShareDenyNone); }),
              "Cannot open file \"" + missing + "\". No such file or directory");
    EXPECT_EQ(MessageOf<EFOpenError>([&] { TMemoryStream().LoadFromFile(tmp.Path()); }),
              "Cannot open file \"" + tmp.Path() + "\". Is a directory");
    const String noFolder = tmp.File("no/such.bin");
    EXPECT_EQ(MessageOf<EFCreateError>([&] { TFileStream f(noFolder, fmCreate); }),
              "Cannot create file \"" + noFolder + "\". No such file or directory");
}

// A full disk: a small file system filled up, mounted for the test alone.
TEST(FullDisk, WriteErrorNamesTheFileAndTheReason)
{
    TempFolderFixture tmp;
    ASSERT_FALSE(tmp.Path().empty());
    testuser::RunOnSmallDisk(tmp.Path(), 16 * 1024, [&] {
        TempFolderFixture::Put(tmp.File("kept.bin"), "old contents");
        {
            std::ofstream filler(tmp.File("filler"), std::ios::binary);
            const std::string block(4096, 'x');
            for (int i = 0; i < 16 && filler.write(block.data(), block.size()); ++i) {}
        }
        const std::string big(64 * 1024, 'y');
        const String direct = tmp.File("direct.bin");
        EXPECT_EQ(MessageOf<EWriteError>([&] {
                      TFileStream f(direct, fmCreate);
                      f.WriteBuffer(big.data(), int64_t(big.size()));
                  }),
                  "Stream write error \"" + direct + "\". No space left on device");
        TMemoryStream m;
        m.WriteBuffer(big.data(), int64_t(big.size()));
        const String kept = tmp.File("kept.bin");
        EXPECT_EQ(MessageOf<EWriteError>([&] { m.SaveToFile(kept); }),
                  "Stream write error \"" + kept + "\". No space left on device");
        EXPECT_EQ(TempFolderFixture::Get(kept), "old contents");
    });
}

TEST(Streams, SpecialFilesAreRefusedWithoutWaiting)
{
    TempFolderFixture tmp;
    const String fifo = tmp.File("pipe.jpg");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0644), 0);
    // Nobody writes to the pipe: a blocking open would never return.
    EXPECT_EQ(MessageOf<EFOpenError>([&] { TFileStream f(fifo, fmOpenRead | fmShareDenyNone); }),
              "Cannot open file \"" + fifo + "\". Not a regular file");
    EXPECT_EQ(MessageOf<EFCreateError>([&] { TFileStream f(fifo, fmCreate); }),
              "Cannot create file \"" + fifo + "\". Not a regular file");
    EXPECT_EQ(MessageOf<EFOpenError>([&] { TFileStream f("/dev/zero", fmOpenRead); }),
              "Cannot open file \"/dev/zero\". Not a regular file");
}

TEST(Lists, IndexErrors)
{
    TList<int> list;
    list.Add(10);
    list.Add(20);
    EXPECT_EQ(list[1], 20);
    EXPECT_EQ(MessageOf<EListError>([&] { list[2]; }), "List index out of bounds (2)");
    EXPECT_EQ(MessageOf<EListError>([&] { list.Delete(-1); }), "List index out of bounds (-1)");
    EXPECT_EQ(MessageOf<EListError>([&] { list.Insert(3, 0); }), "List index out of bounds (3)");

    TStringList strings;
    strings.Add("Sun.JPG");
    strings.Add("\xC3\xA9t\xC3\xA9");
    EXPECT_EQ(strings.IndexOf("sun.jpg"), 0);
    EXPECT_EQ(strings.IndexOf("\xC3\x89T\xC3\x89"), 1);
    EXPECT_EQ(strings.IndexOf("moon"), -1);
    EXPECT_EQ(MessageOf<EStringListError>([&] { strings[5]; }), "List index out of bounds (5)");
    EXPECT_EQ(MessageOf<EStringListError>([&] { strings.Delete(2); }), "List index out of bounds (2)");
}
