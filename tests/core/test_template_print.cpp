#include "TestSupport.h"

#include "query/TemplatePrint.h"

#include <fstream>

namespace fs = std::filesystem;

namespace {
StockRecord Row(const std::string& code, const std::string& name, const std::string& number,
                const std::string& price, const std::string& first, const std::string& house) {
    StockRecord r;
    r.ProductCode = code;
    r.ProductName = name;
    r.Number = number;
    r.Price = price;
    r.FirstEnterTime = first;
    r.StoreHouse = house;
    return r;
}

StockPrintInput Input(std::vector<StockRecord> rows = {}) {
    StockPrintInput in;
    in.companyName = "华东贸易";
    in.warehouse = "全部";
    in.className = "所有商品";
    in.printDate = "26-12-07";
    in.rows = std::move(rows);
    return in;
}

void WriteBytes(const fs::path& path, const std::string& bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

const std::string kRowLine = "<tr><td>[Data:id]</td><td>[Data:product_code]</td>"
                             "<td>[Data:product_name]</td><td>[Data:product_number]</td>"
                             "<td>[Data:product_price]</td><td>[Data:firsttime]</td>"
                             "<td>[Data:storehouse]</td></tr>";
} // namespace

using TemplatePrintTest = ProgramFolderTest;

TEST_F(TemplatePrintTest, ShippedTemplateIsFilledWithMarkersRowsAndEscapedValues) {
    InitFolder();
    App().m_settings.CompanyName = "A&B <公司>";
    auto path = PrepareStockPrint(
        "一号仓库", "饮料",
        {Row("G001", "可乐 \"大\" <b>瓶</b>", "12", "3.50", "26-12-01", "一号仓库"),
         Row("G002", "O'Neil & Co", "0", "19.99", "26-11-30", "二号仓库")});
    ASSERT_TRUE(path);
    EXPECT_EQ(*path, Dir() / "PrintView/temp_kucun_view.html");
    EXPECT_TRUE(m_port.Texts().empty());
    std::string page = ReadFile("PrintView/temp_kucun_view.html");

    for (const char* marker : {"{temp:", "[Data:", "{Data:"})
        EXPECT_EQ(page.find(marker), std::string::npos) << marker;
    EXPECT_NE(page.find("<h1>A&amp;B &lt;公司&gt; 库存清单</h1>"), std::string::npos);
    EXPECT_NE(page.find("仓库：一号仓库</td><td>类别：饮料</td>"), std::string::npos);
    EXPECT_NE(page.find("打印日期：26-12-07"), std::string::npos);
    size_t first = page.find("<td class=\"num\">1</td><td>G001</td>"
                             "<td>可乐 &quot;大&quot; &lt;b&gt;瓶&lt;/b&gt;</td>"
                             "<td class=\"num\">12</td><td class=\"num\">3.50</td>"
                             "<td>26-12-01</td><td>一号仓库</td>");
    size_t second = page.find("<td class=\"num\">2</td><td>G002</td><td>O&#39;Neil &amp; Co</td>");
    ASSERT_NE(first, std::string::npos);
    ASSERT_NE(second, std::string::npos);
    EXPECT_LT(first, second);

    // Every line of the page ends with CR LF, the last one too.
    ASSERT_GE(page.size(), 2u);
    EXPECT_EQ(page.substr(page.size() - 2), "\r\n");
    for (size_t i = 0; i < page.size(); ++i) {
        if (page[i] == '\n') {
            ASSERT_TRUE(i > 0 && page[i - 1] == '\r') << "bare line feed at " << i;
        }
    }
}

TEST_F(TemplatePrintTest, BlockRules) {
    const std::vector<StockRecord> rows = {Row("A1", "甲", "1", "1.00", "t1", "W1"),
                                           Row("B2", "乙", "2", "2.00", "t2", "W2")};
    // No block: document markers only; row markers stay as written and no rows appear.
    EXPECT_EQ(FillStockTemplate("{temp:Class}|[Data:product_code]", Input(rows)),
              "所有商品|[Data:product_code]\r\n");
    // A start marker without an end marker is no block either.
    EXPECT_EQ(FillStockTemplate("{Data:start}[Data:id]", Input(rows)), "{Data:start}[Data:id]\r\n");

    // The block repeats once per row, numbered from 1, without its own markers.
    EXPECT_EQ(FillStockTemplate("<t>\n{Data:start}<r>[Data:id] [Data:product_code] "
                                "[Data:storehouse]</r>{Data:end}\n</t>",
                                Input(rows)),
              "<t>\r\n<r>1 A1 W1</r><r>2 B2 W2</r>\r\n</t>\r\n");
    EXPECT_EQ(FillStockTemplate("{Data:start}\n" + kRowLine + "\n{Data:end}\n", Input(rows)),
              "\r\n<tr><td>1</td><td>A1</td><td>甲</td><td>1</td><td>1.00</td><td>t1</td>"
              "<td>W1</td></tr>\r\n\r\n<tr><td>2</td><td>B2</td><td>乙</td><td>2</td>"
              "<td>2.00</td><td>t2</td><td>W2</td></tr>\r\n\r\n");

    // No rows: the block goes, the document markers are filled.
    EXPECT_EQ(FillStockTemplate("{temp:Warehouse}{Data:start}[Data:id]{Data:end}x", Input()),
              "全部x\r\n");

    // Two different blocks: only the first repeats, the second keeps its markers.
    EXPECT_EQ(FillStockTemplate("{Data:start}[Data:id]{Data:end}|{Data:start}#[Data:id]{Data:end}",
                                Input(rows)),
              "12|{Data:start}#[Data:id]{Data:end}\r\n");
    // The same block twice: both places get the rows.
    EXPECT_EQ(FillStockTemplate("{Data:start}[Data:id]{Data:end}|{Data:start}[Data:id]{Data:end}",
                                Input(rows)),
              "12|12\r\n");
    // The shortest block: from the first start marker to the next end marker.
    EXPECT_EQ(FillStockTemplate("{Data:start}a[Data:id]{Data:end}b{Data:end}", Input(rows)),
              "a1a2b{Data:end}\r\n");

    // Document markers inside the block are filled in every row instead of losing the rows.
    EXPECT_EQ(FillStockTemplate("{Data:start}[Data:id]@{temp:Warehouse};{Data:end}", Input(rows)),
              "1@全部;2@全部;\r\n");

    // Markers are exact texts, letter case included.
    EXPECT_EQ(FillStockTemplate("{TEMP:Class}[data:id]", Input(rows)), "{TEMP:Class}[data:id]\r\n");
}

TEST_F(TemplatePrintTest, LineEndsAndValuesThatLookLikeMarkers) {
    // A last line without a line end gains one; CR LF lines are not doubled; an empty template
    // stays empty.
    EXPECT_EQ(FillStockTemplate("a\r\nb\nc", Input()), "a\r\nb\r\nc\r\n");
    EXPECT_EQ(FillStockTemplate("a\n\nb\n", Input()), "a\r\n\r\nb\r\n");
    EXPECT_EQ(FillStockTemplate("", Input()), "");

    // A value holding a marker's text prints as written.
    StockPrintInput in = Input({Row("[Data:id]", "[Data:product_code]", "1", "1", "", "")});
    in.companyName = "{temp:Class}";
    EXPECT_EQ(FillStockTemplate("{temp:Company_Name}/{Data:start}[Data:product_code]="
                                "[Data:product_name]{Data:end}",
                                in),
              "{temp:Class}/[Data:id]=[Data:product_code]\r\n");
    EXPECT_EQ(EscapeHtml("<a href=\"x\">'&'</a>"),
              "&lt;a href=&quot;x&quot;&gt;&#39;&amp;&#39;&lt;/a&gt;");
}

TEST_F(TemplatePrintTest, Gb2312TemplateIsReadAndWrittenInItsOwnEncoding) {
    InitFolder();
    // "<meta charset=gb2312>库存{temp:Class}" + block with the name, in GBK bytes.
    std::string tmpl = "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; "
                       "charset=gb2312\"></head>\r\n<p>\xBF\xE2\xB4\xE6{temp:Class}</p>\r\n"
                       "{Data:start}<i>[Data:product_name]</i>{Data:end}\r\n</html>";
    WriteBytes(Dir() / kStockTemplateFile, tmpl);
    std::string rare = "\xF0\xA0\x80\x80"; // U+20000, not in GBK
    auto path = PrepareStockPrint("全部", "张三", {Row("1", "张三" + rare, "1", "1", "", "")});
    ASSERT_TRUE(path);
    std::string page = ReadFile(kStockPrintFile);
    EXPECT_EQ(page, "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; "
                    "charset=gb2312\"></head>\r\n<p>\xBF\xE2\xB4\xE6\xD5\xC5\xC8\xFD</p>\r\n"
                    "<i>\xD5\xC5\xC8\xFD&#131072;</i>\r\n</html>\r\n");

    // Read back, the page is the text the program filled.
    HtmlFileEncoding enc;
    auto text = ReadHtmlFile(*path, "打印文件", &enc);
    ASSERT_TRUE(text);
    EXPECT_NE(text->find("<p>库存张三</p>"), std::string::npos);
    EXPECT_EQ(enc.encoder, "GBK");

    // Without any declaration, bytes that are not UTF-8 are the old GBK code page.
    WriteBytes(Dir() / kStockTemplateFile, "\xB2\xD6{temp:Warehouse}");
    ASSERT_TRUE(PrepareStockPrint("\xE4\xBB\x93", "", {}));
    EXPECT_EQ(ReadFile(kStockPrintFile), "\xB2\xD6\xB2\xD6\r\n");
}

TEST_F(TemplatePrintTest, ByteOrderMarksAreKept) {
    InitFolder();
    // UTF-8 with a byte order mark.
    WriteBytes(Dir() / kStockTemplateFile, "\xEF\xBB\xBF{temp:Warehouse}");
    ASSERT_TRUE(PrepareStockPrint("仓", "", {}));
    EXPECT_EQ(ReadFile(kStockPrintFile), "\xEF\xBB\xBF\xE4\xBB\x93\r\n");

    // UTF-16LE with its mark: "仓{temp:Class}" (U+4ED3).
    std::string utf16 = "\xFF\xFE\xD3\x4E";
    for (char c : std::string("{temp:Class}\n"))
        utf16 += std::string{c, '\0'};
    WriteBytes(Dir() / kStockTemplateFile, utf16);
    ASSERT_TRUE(PrepareStockPrint("", "A<", {}));
    std::string expected = "\xFF\xFE\xD3\x4E";
    for (char c : std::string("A&lt;\r\n"))
        expected += std::string{c, '\0'};
    EXPECT_EQ(ReadFile(kStockPrintFile), expected);
}

TEST_F(TemplatePrintTest, MissingTemplateAndFoldersGiveClearMessages) {
    InitFolder();
    fs::remove(Dir() / kStockTemplateFile);
    EXPECT_FALSE(PrepareStockPrint("全部", "所有商品", {}));
    ASSERT_EQ(m_port.Texts().size(), 1u);
    EXPECT_EQ(m_port.Texts()[0], "找不到打印模板文件：" + (Dir() / kStockTemplateFile).string() +
                                     "\r\n请检查程序文件夹中的这个文件。");
    EXPECT_FALSE(fs::exists(Dir() / kStockPrintFile));

    // A missing PrintView folder is made.
    WriteBytes(Dir() / kStockTemplateFile, "{temp:Class}");
    fs::remove_all(Dir() / "PrintView");
    m_port.Clear();
    ASSERT_TRUE(PrepareStockPrint("全部", "所有商品", {}));
    EXPECT_EQ(ReadFile(kStockPrintFile), "所有商品\r\n");
    EXPECT_TRUE(m_port.Texts().empty());

    // The page's place taken by a folder: the write fails with its message.
    fs::remove(Dir() / kStockPrintFile);
    fs::create_directories(Dir() / kStockPrintFile);
    EXPECT_FALSE(PrepareStockPrint("全部", "所有商品", {}));
    ASSERT_EQ(m_port.Texts().size(), 1u);
    EXPECT_EQ(m_port.Texts()[0].rfind(
                  "无法写入打印文件：" + (Dir() / kStockPrintFile).string() + "\r\n", 0),
              0u);

    // A template that is a folder cannot be read.
    m_port.Clear();
    fs::remove(Dir() / kStockTemplateFile);
    fs::create_directories(Dir() / kStockTemplateFile);
    EXPECT_FALSE(PrepareStockPrint("全部", "所有商品", {}));
    ASSERT_EQ(m_port.Texts().size(), 1u);
    EXPECT_EQ(m_port.Texts()[0].rfind("无法读取打印模板文件：", 0), 0u);
}

// A UTF-16 page that began with NUL would be written as FF FE 00 00 and read back as UTF-32.
TEST_F(TemplatePrintTest, NulCharactersAreDroppedSoAUtf16PageReadsBackAsWritten) {
    std::string bytes = "\xff\xfe";
    for (char c : std::string("{Data:start}[Data:id]{Data:end}", 31) + std::string(1, '\0') + "<p>")
        bytes += std::string{c, '\0'};
    HtmlFileEncoding encoding;
    std::string text = DecodeHtmlBytes(bytes, &encoding);
    EXPECT_EQ(text, "{Data:start}[Data:id]{Data:end}<p>");
    std::string page = FillStockTemplate(text, StockPrintInput{});
    EXPECT_EQ(page, "<p>\r\n");
    EXPECT_EQ(DecodeHtmlBytes(EncodeHtmlText(page, encoding)), page);
}
