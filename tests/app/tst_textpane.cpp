// The text pane speaks bytes: the OEM table shows one character per byte, and
// selections set and read in bytes survive the widget's folding of CR LF.
#include <QTest>
#include <QTextCursor>
#include <QTextDocument>

#include "linebreakmap.h"
#include "oemcodepage.h"
#include "views.h"

Q_DECLARE_METATYPE(std::string)

namespace {

// What QTextCursor::selectedText gives for bytes: block breaks as U+2029.
QString shownAsSelected(const std::string& bytes) {
  QString result;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] == '\r' || bytes[i] == '\n') {
      if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
      result += QChar::ParagraphSeparator;
    } else {
      result += oem::toChar(static_cast<unsigned char>(bytes[i]));
    }
  }
  return result;
}

bool splitsPair(const std::string& bytes, std::size_t offset) {
  return offset > 0 && offset < bytes.size() && bytes[offset - 1] == '\r' && bytes[offset] == '\n';
}

}  // namespace

class TestTextPane : public QObject {
  Q_OBJECT

 private slots:
  void oemTableShowsCodePage850_data() {
    QTest::addColumn<int>("byte");
    QTest::addColumn<int>("unicode");
    QTest::newRow("ascii") << 0x41 << 0x41;
    QTest::newRow("tab") << 0x09 << 0x09;
    QTest::newRow("C cedilla") << 0x80 << 0xC7;
    QTest::newRow("a umlaut") << 0x84 << 0xE4;
    QTest::newRow("A umlaut") << 0x8E << 0xC4;
    QTest::newRow("sharp s") << 0xE1 << 0xDF;
    QTest::newRow("light shade") << 0xB0 << 0x2591;
    QTest::newRow("dotless i") << 0xD5 << 0x131;
    QTest::newRow("no-break space") << 0xFF << 0xA0;
  }
  void oemTableShowsCodePage850() {
    QFETCH(int, byte);
    QFETCH(int, unicode);
    QCOMPARE(oem::toChar(static_cast<unsigned char>(byte)).unicode(), char16_t(unicode));
  }

  void oemRoundTripKeepsEveryByte() {
    std::string all;
    for (int i = 0; i < 256; ++i) all += char(i);
    const QString shown = oem::toQString(all);
    QCOMPARE(shown.size(), qsizetype(256));
    QCOMPARE(oem::fromQString(shown).value(), all);
    QVERIFY(!oem::fromQString(QStringLiteral("price \u20AC")).has_value());
  }

  void byteRangesSurviveLineBreaks_data() {
    QTest::addColumn<std::string>("bytes");
    QTest::addColumn<int>("positions");
    QTest::newRow("CR LF") << std::string("OBJECT Table 1 A\r\n{\r\n}\r\n") << 21;
    QTest::newRow("LF") << std::string("OBJECT Table 1 A\n{\n}\n") << 21;
    QTest::newRow("CR") << std::string("OBJECT Table 1 A\r{\r}\r") << 21;
    QTest::newRow("mixed") << std::string("a\r\n\nb\r\rc\r\n\r\nd\n\re") << 13;
    QTest::newRow("CR CR LF") << std::string("x\r\r\ny") << 4;
    QTest::newRow("high bytes and NUL") << std::string("K\x8E\x84se\r\nA\0B", 10) << 9;
  }
  void byteRangesSurviveLineBreaks() {
    QFETCH(std::string, bytes);
    QFETCH(int, positions);
    TTextPane pane;
    pane.setBytes(bytes);
    QCOMPARE(pane.document()->characterCount() - 1, positions);
    QCOMPARE(pane.selStart(), 0);
    QCOMPARE(pane.selLength(), 0);
    for (std::size_t start = 0; start <= bytes.size(); ++start) {
      if (splitsPair(bytes, start)) continue;
      for (std::size_t end = start; end <= bytes.size(); ++end) {
        if (splitsPair(bytes, end)) continue;
        pane.selectBytes(std::int32_t(start), std::int32_t(end - start));
        const std::string expected = bytes.substr(start, end - start);
        QCOMPARE(pane.selStart(), std::int32_t(start));
        QCOMPARE(pane.selLength(), std::int32_t(end - start));
        QCOMPARE(pane.selectedBytes(), expected);
        QCOMPARE(pane.textCursor().selectedText(), shownAsSelected(expected));
        // The caret ends up at the end of the selection, as a text box puts it.
        QCOMPARE(pane.textCursor().position(), pane.textCursor().selectionEnd());
      }
    }
  }

  void rangeInsideCrLfTakesTheWholeBreak() {
    TTextPane pane;
    pane.setBytes("ab\r\ncd");
    pane.selectBytes(2, 1);
    QCOMPARE(pane.selStart(), 2);
    QCOMPARE(pane.selLength(), 2);
    pane.selectBytes(3, 2);
    QCOMPARE(pane.selStart(), 2);
    QCOMPARE(pane.selectedBytes(), std::string("\r\nc"));
  }

  void rangeBeyondTheTextIsClamped() {
    TTextPane pane;
    pane.setBytes("abc\r\n");
    pane.selectBytes(2, 100);
    QCOMPARE(pane.selStart(), 2);
    QCOMPARE(pane.selLength(), 3);
    pane.selectBytes(50, 4);
    QCOMPARE(pane.selStart(), 5);
    QCOMPARE(pane.selLength(), 0);
    pane.selectBytes(1, -3);
    QCOMPARE(pane.selStart(), 1);
    QCOMPARE(pane.selLength(), 0);
  }

  void newTextPutsCaretAtStart() {
    TTextPane pane;
    pane.setBytes("first\r\ntext");
    pane.selectBytes(3, 5);
    pane.setBytes("second\r\n");
    QCOMPARE(pane.selStart(), 0);
    QCOMPARE(pane.selLength(), 0);
    QCOMPARE(pane.bytes(), std::string("second\r\n"));
    pane.clearBytes();
    QVERIFY(pane.document()->isEmpty());
    QVERIFY(pane.bytes().empty());
  }

  void mapAnswersBothWays() {
    TLineBreakMap map;
    map.build("a\r\nb\r\nc");
    QCOMPARE(map.toByte(0), 0);
    QCOMPARE(map.toByte(2), 3);
    QCOMPARE(map.toByte(4), 6);
    QCOMPARE(map.toByte(99), 7);
    QCOMPARE(map.toPosition(4), 3);
    QCOMPARE(map.toPosition(2), 1);
    QCOMPARE(map.toPosition(2, true), 2);
  }
};

QTEST_MAIN(TestTextPane)
#include "tst_textpane.moc"
