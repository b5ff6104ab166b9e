#include "XmlTestSupport.h"

#include "config/CXmlDocument.h"

#include <gtest/gtest.h>

#include <csignal>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <vector>

namespace fs = std::filesystem;

using XmlFileTest = ProgramFolderTest;

namespace {
const std::string kUtf8Mark = "\xEF\xBB\xBF";

// UTF-16 bytes of an ASCII text (each character one unit).
std::string Utf16(const std::string& ascii, bool bigEndian) {
    std::string out;
    for (char c : ascii) {
        if (bigEndian)
            out += '\0';
        out += c;
        if (!bigEndian)
            out += '\0';
    }
    return out;
}

// Loads `bytes` from a file, saves the document to another file and returns what was saved.
std::string LoadAndSave(const std::string& bytes, CXmlDocument* keep = nullptr) {
    WriteBytes("in.xml", bytes);
    CXmlDocument doc;
    doc.Load("in.xml");
    EXPECT_TRUE(doc.Save("out.xml")) << doc.Result();
    if (keep)
        *keep = doc;
    return ReadBytes("out.xml");
}
} // namespace

TEST_F(XmlFileTest, EveryKindOfFileComesBackByteForByte) {
    struct Sample {
        const char* what;
        std::string bytes;
        std::string heldAs = {}; // part of the UTF-8 text the document holds
    };
    const std::vector<Sample> corpus = {
        {"UTF-8 with mark", kUtf8Mark + "<?xml version=\"1.0\"?>\r\n<r a=\"中文\"/>\r\n",
         "<r a=\"中文\"/>"},
        {"UTF-8 without mark or declaration", "<r>\n\t<a b='单引号' c=unquoted/>\n</r>"},
        {"UTF-16LE with mark",
         "\xFF\xFE" + Utf16("<r a=\"x\">", false) + "\x2D\x4E" +
             std::string("\x3D\xD8\x00\xDE", 4) + Utf16("</r>\r\n", false),
         "<r a=\"x\">中😀</r>"},
        {"UTF-16BE with mark",
         "\xFE\xFF" + Utf16("<r a=\"x\">", true) + "\x4E\x2D" + std::string("\xD8\x3D\xDE\x00", 4) +
             Utf16("</r>\r\n", true),
         "<r a=\"x\">中😀</r>"},
        {"GB2312 declared",
         "<?xml version=\"1.0\" encoding=\"GB2312\"?>\r\n"
         "<config>\r\n<item key=\"unit\">\r\n<unit name=\"\xB8\xF6\" "
         "note=\"\xD6\xD0\xCE\xC4\"/>\r\n</item>\r\n</config>\r\n",
         "<unit name=\"个\" note=\"中文\"/>"},
        {"GBK characters outside GB2312", "<?xml version='1.0' encoding='gbk'?><r n=\"\x81\x40\"/>",
         "<r n=\"丂\"/>"},
        {"windows-1252 declared",
         "<?xml version=\"1.0\" encoding=\"windows-1252\"?><r a=\"caf\xE9 \x80 \x93q\x94\"/>",
         "café € “q”"},
        {"comments, CDATA, PIs, DOCTYPE with internal subset",
         "<?xml version=\"1.0\"?>\n<!DOCTYPE r [\n  <!ENTITY e \"x>y\">\n  <!-- ]> -->\n]>\n"
         "<?style href=\"a.css\"?>\n<r><!-- <no/> --><![CDATA[ <x> & ]]>&amp;&e;<?pi x?></r>\n"
         "<!-- trailer -->\n"},
        {"HTML with a meta charset",
         "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=gb2312\">"
         "</head><body>\xC4\xE3\xBA\xC3</body></html>",
         "<body>你好</body>"},
        {"HTML with its meta charset beyond the first kilobyte",
         "<html><head><title>" + std::string(1500, 't') +
             "</title><meta http-equiv=\"Content-Type\" content=\"text/html; charset=gbk\">"
             "</head><body>\xC4\xE3</body></html>",
         "<body>你</body>"},
        {"malformed markup", "<r><a><b></a></c>< x <!x><![CDAT[<!-y>&nbsp <z k=\"1"},
        {"not UTF-8 and undeclared", "junk \xFF\xFE\xB0\xA1 <r/>"},
        {"unknown encoding", "<?xml version=\"1.0\" encoding=\"x-unheard-of\"?><r a=\"\xFF\"/>"},
        {"encoding without converter", "<?xml version=\"1.0\" encoding=\"cp154\"?><r a=\"\xB0\"/>"},
        {"empty", ""},
        {"mark alone", kUtf8Mark},
        {"UTF-16 mark alone", "\xFE\xFF"},
        {"long lines and CR alone", "<r>\r" + std::string(100000, 'x') + "\r</r>"},
    };
    for (const auto& sample : corpus) {
        CXmlDocument doc;
        EXPECT_EQ(LoadAndSave(sample.bytes, &doc), sample.bytes) << sample.what;
        EXPECT_NE(doc.DocumentText().find(sample.heldAs), std::string::npos)
            << sample.what << ": " << doc.DocumentText().substr(0, 200);
    }
}

TEST_F(XmlFileTest, ByteOrderMarksAreKeptAndTextIsUtf8InMemory) {
    CXmlDocument doc;
    EXPECT_EQ(LoadAndSave(kUtf8Mark + "<r/>", &doc), kUtf8Mark + "<r/>");
    EXPECT_EQ(doc.DocumentFlags(), CXmlDocument::kUtf8Mark);
    EXPECT_EQ(doc.DocumentText(), "<r/>");

    // A UTF-16 big-endian file is edited as UTF-8 and comes back big-endian with its mark.
    WriteBytes("be.xml", "\xFE\xFF" + Utf16("<r>\r\n</r>", true));
    CXmlDocument be;
    ASSERT_TRUE(be.Load("be.xml")) << be.Result();
    EXPECT_EQ(be.DocumentFlags(), CXmlDocument::kUtf16BeFile);
    EXPECT_EQ(be.DocumentText(), "<r>\r\n</r>");
    ASSERT_TRUE(be.FindElement("r") && be.EnterElement() && be.AddElement("a") &&
                be.SetAttribute("n", "中"));
    ASSERT_TRUE(be.Save("be.xml"));
    EXPECT_EQ(ReadBytes("be.xml"), "\xFE\xFF" + Utf16("<r>\r\n<a n=\"", true) + "\x4E\x2D" +
                                       Utf16("\"/>\r\n</r>", true));
    EXPECT_NE(be.Result().find("<endian_swap/>"), std::string::npos);

    // NUL units are dropped from UTF-16, NUL bytes from other files.
    WriteBytes("nul16.xml", "\xFF\xFE" + Utf16("<r/>", false) + std::string(4, '\0'));
    CXmlDocument nul16;
    EXPECT_TRUE(nul16.Load("nul16.xml"));
    EXPECT_EQ(nul16.DocumentText(), "<r/>");
    EXPECT_NE(nul16.Result().find("<nulls_removed count=\"2\"/>"), std::string::npos);
    WriteBytes("nul8.xml", std::string("<r\0/>\0", 6));
    CXmlDocument nul8;
    EXPECT_TRUE(nul8.Load("nul8.xml"));
    EXPECT_EQ(nul8.DocumentText(), "<r/>");
    EXPECT_NE(nul8.Result().find("<nulls_removed count=\"2\"/>"), std::string::npos);

    // An odd trailing byte of a UTF-16 file cannot be held and is reported.
    WriteBytes("odd.xml", "\xFF\xFE" + Utf16("<r/>", false) + "x");
    CXmlDocument odd;
    EXPECT_TRUE(odd.Load("odd.xml"));
    EXPECT_EQ(odd.DocumentText(), "<r/>");
    EXPECT_NE(odd.Result().find("<truncation_error/>"), std::string::npos);
}

TEST_F(XmlFileTest, DeclaredEncodingsAreConvertedBothWays) {
    // gb2312 is read as GBK into UTF-8 and written back as GBK, new text included.
    WriteBytes("gb.xml", "<?xml version=\"1.0\" encoding=\"gb2312\"?>\r\n<r n=\"\xD6\xD0\"/>");
    CXmlDocument gb;
    ASSERT_TRUE(gb.Load("gb.xml"));
    ASSERT_TRUE(gb.FindElement("r"));
    EXPECT_EQ(gb.GetAttribute("n"), "中");
    ASSERT_TRUE(gb.SetAttribute("m", "文"));
    ASSERT_TRUE(gb.Save("gb.xml"));
    EXPECT_EQ(ReadBytes("gb.xml"),
              "<?xml version=\"1.0\" encoding=\"gb2312\"?>\r\n<r n=\"\xD6\xD0\" m=\"\xCE\xC4\"/>");

    // An HTML page names its charset in a meta element of its head, and only there.
    const std::string body = "<body>\xC4\xE3</body></html>";
    WriteBytes("page.html", "<!DOCTYPE html><HTML><head><title>t</title>"
                            "<META HTTP-EQUIV=\"content-type\" CONTENT=\"text/html;charset=GBK\">"
                            "</head>" +
                                body);
    std::string text, result;
    ASSERT_TRUE(CXmlDocument::ReadDocumentFile("page.html", text, &result));
    EXPECT_NE(text.find("<body>你</body>"), std::string::npos) << result;
    WriteBytes("late.html", "<html><head></head><meta http-equiv=\"Content-Type\" "
                            "content=\"text/html; charset=windows-1252\">" +
                                body);
    ASSERT_TRUE(CXmlDocument::ReadDocumentFile("late.html", text, &result));
    EXPECT_NE(text.find("<body>你</body>"), std::string::npos) << "undeclared: " << result;

    // A document that declares nothing and has no mark is written as UTF-8.
    ASSERT_TRUE(CXmlDocument::WriteDocumentFile("new.xml", "<r n=\"名\"/>", &result));
    EXPECT_EQ(ReadBytes("new.xml"), "<r n=\"名\"/>");
    // The text's own declaration decides, when the flags name no mark.
    ASSERT_TRUE(CXmlDocument::WriteDocumentFile(
        "decl.xml", "<?xml version=\"1.0\" encoding=\"GBK\"?><r n=\"名\"/>", &result));
    EXPECT_EQ(ReadBytes("decl.xml"), "<?xml version=\"1.0\" encoding=\"GBK\"?><r n=\"\xC3\xFB\"/>");
}

TEST_F(XmlFileTest, FlagsComeFromTheFileRead) {
    WriteBytes("plain.xml", "<r/>");
    std::string text;
    int flags = CXmlDocument::kUtf16BeFile | CXmlDocument::kUtf8Mark | CXmlDocument::kIgnoreCase;
    ASSERT_TRUE(CXmlDocument::ReadDocumentFile("plain.xml", text, nullptr, &flags));
    // Marks the file does not have are cleared; the case bit is the caller's own.
    EXPECT_EQ(flags, CXmlDocument::kIgnoreCase);

    WriteBytes("le.xml", "\xFF\xFE" + Utf16("<r/>", false));
    flags = 0;
    ASSERT_TRUE(CXmlDocument::ReadDocumentFile("le.xml", text, nullptr, &flags));
    EXPECT_EQ(flags, CXmlDocument::kUtf16LeFile);
    ASSERT_TRUE(CXmlDocument::WriteDocumentFile("le2.xml", text, nullptr, &flags));
    EXPECT_EQ(ReadBytes("le2.xml"), ReadBytes("le.xml"));
}

TEST_F(XmlFileTest, MissingAndUnreadableFiles) {
    CXmlDocument doc;
    EXPECT_FALSE(doc.Load("missing.xml"));
    EXPECT_NE(doc.Result().find("<file_error msg=\"No such file or directory\"/>"),
              std::string::npos);
    EXPECT_FALSE(doc.FindElement("config"));
    EXPECT_TRUE(doc.Save("missing.xml")) << "the empty text makes an empty file";
    EXPECT_EQ(ReadBytes("missing.xml"), "");
    EXPECT_TRUE(fs::exists("missing.xml"));

    fs::create_directory("folder");
    EXPECT_FALSE(doc.Load("folder"));
    EXPECT_NE(doc.Result().find("<file_error"), std::string::npos);
    EXPECT_FALSE(doc.Save("folder"));
    EXPECT_FALSE(doc.Save("no/such/folder/x.xml"));
    EXPECT_NE(doc.Result().find("<file_error"), std::string::npos);
}

TEST_F(XmlFileTest, SavingReplacesTheFileWholeOrNotAtAll) {
    WriteBytes("c.xml", "<config>\r\n</config>\r\n");
    ::chmod("c.xml", 0640);
    fs::create_symlink("c.xml", "link.xml");
    CXmlDocument doc;
    ASSERT_TRUE(doc.Load("link.xml"));
    ASSERT_TRUE(doc.FindElement("config") && doc.EnterElement() && doc.AddElement("item"));
    ASSERT_TRUE(doc.Save("link.xml"));
    EXPECT_TRUE(fs::is_symlink("link.xml")) << "the link stays a link";
    EXPECT_EQ(ReadBytes("c.xml"), "<config>\r\n<item/>\r\n</config>\r\n");
    struct stat st {};
    ASSERT_EQ(::stat("c.xml", &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);

    // A write that fails half way (here: the file size limit) leaves the old file whole, is
    // reported, and leaves no temporary file behind.
    const std::string before = ReadBytes("c.xml");
    ASSERT_TRUE(doc.SetAttribute("big", std::string(100000, 'x')));
    struct rlimit old {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = old;
    small.rlim_cur = 4096;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool saved = doc.Save("c.xml");
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, previousHandler);
    EXPECT_FALSE(saved);
    EXPECT_NE(doc.Result().find("<file_error"), std::string::npos);
    EXPECT_EQ(ReadBytes("c.xml"), before);
    size_t files = 0;
    for (const auto& e : fs::directory_iterator(Dir()))
        files += e.path().filename().string().find(".tmp") != std::string::npos;
    EXPECT_EQ(files, 0u);
}

TEST_F(XmlFileTest, AnEditKeepsEveryByteOutsideIt) {
    // A GB2312 file with malformed bytes far from the edit: a lead byte with a trail it cannot
    // take in the comment, a lone 0xFF in another entry's note.
    const std::string head = "<?xml version=\"1.0\" encoding=\"GB2312\"?>\r\n"
                             "<!-- \x81\x7F \xB8\xF6 -->\r\n<config>\r\n<item key=\"unit\">\r\n"
                             "<unit name=\"\xB8\xF6\" note=\"\xFF\"/>\r\n";
    const std::string tail = "</item>\r\n<item key=\"bank\"/>\r\n</config>\r\n";
    WriteBytes("gb.xml", head + tail);
    CXmlDocument doc;
    ASSERT_TRUE(doc.Load("gb.xml")) << doc.Result();
    ASSERT_TRUE(doc.FindElement("config") && doc.EnterElement() && doc.FindElement("item") &&
                doc.EnterElement() && doc.FindElement("unit"));
    EXPECT_EQ(doc.GetAttribute("name"), "个");
    ASSERT_TRUE(doc.AddElement("unit") && doc.SetAttribute("name", "箱") &&
                doc.SetAttribute("note", "张三"));
    ASSERT_TRUE(doc.Save("gb.xml")) << doc.Result();
    const std::string added = "<unit name=\"\xCF\xE4\" note=\"\xD5\xC5\xC8\xFD\"/>\r\n";
    EXPECT_EQ(ReadBytes("gb.xml"), head + added + tail);

    // Removing the entry again gives the file back as it was.
    CXmlDocument again;
    ASSERT_TRUE(again.Load("gb.xml"));
    ASSERT_TRUE(again.FindElement("config") && again.EnterElement() && again.FindElement("item") &&
                again.EnterElement() && again.FindElement("unit") && again.FindElement("unit"));
    ASSERT_TRUE(again.RemoveElement());
    ASSERT_TRUE(again.Save("gb.xml")) << again.Result();
    EXPECT_EQ(ReadBytes("gb.xml"), head + tail);

    // The same for a UTF-8 file with a stray byte and a UTF-16 file with a lone surrogate.
    const std::string utf8Head = "<?xml version=\"1.0\" encoding=\"UTF-8\"?><r a=\"\xC3\x28\">";
    const std::string utf8 = utf8Head + "\r\n<e/>\r\n</r>";
    WriteBytes("u8.xml", utf8);
    CXmlDocument u8;
    ASSERT_TRUE(u8.Load("u8.xml") && u8.FindElement("r") && u8.EnterElement() &&
                u8.FindElement("e") && u8.SetAttribute("n", "中"));
    ASSERT_TRUE(u8.Save("u8.xml")) << u8.Result();
    EXPECT_EQ(ReadBytes("u8.xml"), utf8Head + "\r\n<e n=\"中\"/>\r\n</r>");

    const std::string lone("\x3D\xD8", 2); // a high surrogate with nothing after it
    WriteBytes("u16.xml",
               "\xFF\xFE" + Utf16("<r a=\"", false) + lone + Utf16("\"><e/></r>", false));
    CXmlDocument u16;
    ASSERT_TRUE(u16.Load("u16.xml") && u16.FindElement("r") && u16.EnterElement() &&
                u16.FindElement("e") && u16.SetAttribute("n", "x"));
    ASSERT_TRUE(u16.Save("u16.xml")) << u16.Result();
    EXPECT_EQ(ReadBytes("u16.xml"),
              "\xFF\xFE" + Utf16("<r a=\"", false) + lone + Utf16("\"><e n=\"x\"/></r>", false));
}

TEST_F(XmlFileTest, CharactersTheEncodingLacksAreWrittenAsReferences) {
    WriteBytes("gb.xml", "<?xml version=\"1.0\" encoding=\"GB2312\"?>\r\n<r>\r\n</r>\r\n");
    CXmlDocument doc;
    ASSERT_TRUE(doc.Load("gb.xml") && doc.FindElement("r") && doc.EnterElement());
    ASSERT_TRUE(doc.AddElement("e") && doc.SetAttribute("name", "𠮷野家") &&
                doc.SetAttribute("note", "好😀"));
    ASSERT_TRUE(doc.Save("gb.xml")) << doc.Result();
    EXPECT_EQ(ReadBytes("gb.xml"),
              "<?xml version=\"1.0\" encoding=\"GB2312\"?>\r\n<r>\r\n"
              "<e name=\"&#x20BB7;\xD2\xB0\xBC\xD2\" note=\"\xBA\xC3&#x1F600;\"/>"
              "\r\n</r>\r\n");
    CXmlDocument back;
    ASSERT_TRUE(back.Load("gb.xml") && back.FindElement("r") && back.EnterElement() &&
                back.FindElement("e"));
    EXPECT_EQ(back.GetAttribute("name"), "𠮷野家");
    EXPECT_EQ(back.GetAttribute("note"), "好😀");

    // A single-byte code page the same way.
    WriteBytes("latin.xml", "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><r/>");
    CXmlDocument latin;
    ASSERT_TRUE(latin.Load("latin.xml") && latin.FindElement("r"));
    ASSERT_TRUE(latin.SetAttribute("n", "é中"));
    ASSERT_TRUE(latin.Save("latin.xml")) << latin.Result();
    EXPECT_EQ(ReadBytes("latin.xml"),
              "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><r n=\"\xE9&#x4E2D;\"/>");

    // In character data a reference stands for its character as well; in a comment, a CDATA
    // section or a name it would not, so such a text is not written at all.
    const std::string decl = "<?xml version=\"1.0\" encoding=\"GBK\"?>";
    std::string result;
    ASSERT_TRUE(CXmlDocument::WriteDocumentFile("text.xml", decl + "<r a='😀'>中😀</r>", &result))
        << result;
    EXPECT_EQ(ReadBytes("text.xml"), decl + "<r a='&#x1F600;'>\xD6\xD0&#x1F600;</r>");
    const std::vector<std::string> refused = {"<r><!-- 😀 --></r>", "<r><![CDATA[😀]]></r>",
                                              "<r><𠮷/></r>", "<r 𠮷='1'/>", "<r><?pi 😀?></r>"};
    for (const auto& body : refused) {
        EXPECT_FALSE(CXmlDocument::WriteDocumentFile("text.xml", decl + body, &result)) << body;
        EXPECT_EQ(ReadBytes("text.xml"), decl + "<r a='&#x1F600;'>\xD6\xD0&#x1F600;</r>") << body;
    }
}

TEST_F(XmlFileTest, AnUndeclaredFileThatIsNotUtf8IsReadAsGbk) {
    const std::string head =
        "<config>\r\n<item key=\"unit\">\r\n<unit name=\"\xB8\xF6\" note=\"\"/>\r\n";
    const std::string tail = "</item>\r\n</config>\r\n";
    WriteBytes("c.xml", head + tail);
    CXmlDocument doc;
    ASSERT_TRUE(doc.Load("c.xml")) << doc.Result();
    ASSERT_TRUE(doc.FindElement("config") && doc.EnterElement() && doc.FindElement("item") &&
                doc.EnterElement() && doc.FindElement("unit"));
    EXPECT_EQ(doc.GetAttribute("name"), "个");
    ASSERT_TRUE(doc.AddElement("unit") && doc.SetAttribute("name", "箱😀"));
    ASSERT_TRUE(doc.Save("c.xml")) << doc.Result();
    EXPECT_EQ(ReadBytes("c.xml"), head + "<unit name=\"\xCF\xE4&#x1F600;\"/>\r\n" + tail);

    // Text that does not start with '<' as well; UTF-8 stays UTF-8.
    std::string text, result;
    WriteBytes("gbk.txt", "\xC3\xFB\xB3\xC6 <r/>");
    ASSERT_TRUE(CXmlDocument::ReadDocumentFile("gbk.txt", text, &result));
    EXPECT_EQ(text, "名称 <r/>");
    EXPECT_NE(result.find("<read encoding=\"GBK\""), std::string::npos) << result;
    WriteBytes("utf8.txt", "名称 <r/>");
    ASSERT_TRUE(CXmlDocument::ReadDocumentFile("utf8.txt", text, &result));
    EXPECT_EQ(text, "名称 <r/>");
    EXPECT_NE(result.find("<read encoding=\"UTF-8\""), std::string::npos) << result;

    // Bytes that would be read another way next time are not written: GBK that the edit leaves
    // valid UTF-8 (\xC3\xA9 is 脙 in GBK and é in UTF-8), or a text that starts like a byte
    // order mark once its NUL byte is gone.
    const std::string ambiguous = "<r><a n=\"\xFF\"/><b n=\"\xC3\xA9\"/></r>";
    WriteBytes("flip.xml", ambiguous);
    CXmlDocument flip;
    ASSERT_TRUE(flip.Load("flip.xml") && flip.FindElement("r") && flip.EnterElement() &&
                flip.FindElement("a") && flip.RemoveElement());
    EXPECT_FALSE(flip.Save("flip.xml"));
    EXPECT_EQ(flip.SaveRefusal(), "修改后的内容无法用文件的编码 GBK 原样写回");
    EXPECT_EQ(ReadBytes("flip.xml"), ambiguous);
    const std::string marked = std::string("\0\xFF\xFE<r/>", 6);
    WriteBytes("nul.xml", marked);
    CXmlDocument nul;
    nul.Load("nul.xml");
    EXPECT_FALSE(nul.Save("nul.xml"));
    EXPECT_EQ(ReadBytes("nul.xml"), marked);
}
