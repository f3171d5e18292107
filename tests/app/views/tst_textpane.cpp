// SPDX-License-Identifier: MIT
// The text pane speaks bytes: the OEM table shows one character per byte,
// lines end at CR LF, CR or LF, and selections set and read in bytes never
// split a CR LF, whether made by the program, the mouse or the keyboard.
#include <QApplication>
#include <QContextMenuEvent>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>
#include <cmath>

#include "oemcodepage.h"
#include "views.h"

Q_DECLARE_METATYPE(std::string)

namespace {

bool splitsPair(const std::string& bytes, std::size_t offset) {
  return offset > 0 && offset < bytes.size() && bytes[offset - 1] == '\r' && bytes[offset] == '\n';
}

// A pane on screen in a fixed-pitch font, so that points and columns agree.
struct TShownPane {
  TTextPane pane;
  explicit TShownPane(const std::string& bytes, QSize size = {300, 200}) {
    pane.setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    pane.resize(size);
    pane.setBytes(bytes);
    pane.show();
    if (!QTest::qWaitForWindowExposed(&pane)) qWarning("pane not exposed");
  }
};

// Narrows or widens the pane to room for columns characters of its
// fixed-pitch font, with the vertical scroll bar always taking its share.
bool fitColumns(TTextPane& pane, int columns) {
  pane.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  const qreal advance = QFontMetricsF(pane.font()).horizontalAdvance(QLatin1Char('x'));
  const int margins = 2 * pane.pointOf(0).x();
  const int room = int(std::ceil(columns * advance)) + margins;
  pane.resize(pane.width() - pane.viewport()->width() + room, pane.height());
  return pane.viewport()->width() == room;
}

QStringList rowTexts(const TTextPane& pane) {
  QStringList rows;
  for (int row = 0; row < pane.rowCount(); ++row) rows << pane.rowText(row);
  return rows;
}

std::string repeated(const std::string& piece, int times) {
  std::string text;
  for (int i = 0; i < times; ++i) text += piece;
  return text;
}

// Key tests: from a caret position, a key pressed some times leaves a
// selection.
void addKeyColumns() {
  QTest::addColumn<int>("from");
  QTest::addColumn<QKeyCombination>("key");
  QTest::addColumn<int>("times");
  QTest::addColumn<int>("selStart");
  QTest::addColumn<int>("selLength");
}

void pressKeys(TTextPane& pane) {
  QFETCH(int, from);
  QFETCH(QKeyCombination, key);
  QFETCH(int, times);
  pane.selectBytes(from, 0);
  for (int i = 0; i < times; ++i) QTest::keyClick(&pane, key.key(), key.keyboardModifiers());
}

std::string numberedLines(int count, const char* lineBreak = "\r\n") {
  std::string text;
  for (int i = 0; i < count; ++i) text += "line " + std::to_string(i) + lineBreak;
  return text;
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

  void linesEndAtEveryKindOfBreak_data() {
    QTest::addColumn<std::string>("bytes");
    QTest::addColumn<QStringList>("lines");
    QTest::newRow("empty") << std::string() << QStringList{""};
    QTest::newRow("CR LF") << std::string("OBJECT Table 1 A\r\n{\r\n}\r\n")
                           << QStringList{"OBJECT Table 1 A", "{", "}", ""};
    QTest::newRow("LF") << std::string("a\nb") << QStringList{"a", "b"};
    QTest::newRow("CR") << std::string("a\rb\r") << QStringList{"a", "b", ""};
    QTest::newRow("mixed") << std::string("a\r\n\nb\r\rc\r\n\r\nd\n\re")
                           << QStringList{"a", "", "b", "", "c", "", "d", "", "e"};
    QTest::newRow("CR CR LF") << std::string("x\r\r\ny") << QStringList{"x", "", "y"};
    QTest::newRow("LF CR") << std::string("x\n\ry") << QStringList{"x", "", "y"};
    // Long enough for the index to take the bytes in blocks, breaks at their edges.
    const std::string block(31, 'k');
    QTest::newRow("blocks") << block + "\r\n" + block + "\r" + "\n" + block + "\n\r"
                            << QStringList{QString(31, 'k'), QString(31, 'k'), QString(31, 'k'), "",
                                           ""};
  }
  void linesEndAtEveryKindOfBreak() {
    QFETCH(std::string, bytes);
    QFETCH(QStringList, lines);
    TTextPane pane;
    pane.setBytes(bytes);
    QStringList shown;
    for (int i = 0; i < pane.lineCount(); ++i) shown << pane.lineText(i);
    QCOMPARE(shown, lines);
    QCOMPARE(pane.toPlainText(), oem::toQString(bytes));
  }

  void lineShowsCodePageCharacters() {
    TTextPane pane;
    pane.setBytes(std::string("K\x8E\x84se\tX\0\x1A\xB0\xFF\r\n\t|", 15));
    QCOMPARE(pane.lineText(0), QStringLiteral("K\u00C4\u00E4se   X\u2400\u241A\u2591\u00A0"));
    QCOMPARE(pane.lineText(1), QStringLiteral("        |"));
  }

  void byteRangesSurviveLineBreaks_data() {
    QTest::addColumn<std::string>("bytes");
    QTest::newRow("CR LF") << std::string("OBJECT Table 1 A\r\n{\r\n}\r\n");
    QTest::newRow("LF") << std::string("OBJECT Table 1 A\n{\n}\n");
    QTest::newRow("CR") << std::string("OBJECT Table 1 A\r{\r}\r");
    QTest::newRow("mixed") << std::string("a\r\n\nb\r\rc\r\n\r\nd\n\re");
    QTest::newRow("CR CR LF") << std::string("x\r\r\ny");
    QTest::newRow("high bytes and NUL") << std::string("K\x8E\x84se\r\nA\0B", 10);
  }
  void byteRangesSurviveLineBreaks() {
    QFETCH(std::string, bytes);
    TTextPane pane;
    pane.setBytes(bytes);
    QCOMPARE(pane.selStart(), 0);
    QCOMPARE(pane.selLength(), 0);
    for (std::size_t start = 0; start <= bytes.size(); ++start) {
      if (splitsPair(bytes, start)) continue;
      for (std::size_t end = start; end <= bytes.size(); ++end) {
        if (splitsPair(bytes, end)) continue;
        pane.selectBytes(std::int32_t(start), std::int32_t(end - start));
        QCOMPARE(pane.selStart(), std::int32_t(start));
        QCOMPARE(pane.selLength(), std::int32_t(end - start));
        QCOMPARE(pane.selectedBytes(), bytes.substr(start, end - start));
        // The caret ends up at the end of the selection, as a text box puts it.
        QCOMPARE(pane.caretPosition(), std::int32_t(end));
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

  void newTextResetsCaretSelectionAndScrolling() {
    TShownPane shown(numberedLines(300) + std::string(400, 'w'));
    TTextPane& pane = shown.pane;
    QSignalSpy changed(&pane, &TTextPane::textChanged);
    pane.selectBytes(std::int32_t(pane.bytes().size()) - 2, 2);
    QVERIFY(pane.verticalScrollBar()->value() > 0);
    pane.setBytes("second\r\n");
    QCOMPARE(changed.count(), 1);
    QCOMPARE(pane.selStart(), 0);
    QCOMPARE(pane.selLength(), 0);
    QCOMPARE(pane.caretPosition(), 0);
    QCOMPARE(pane.verticalScrollBar()->value(), 0);
    QCOMPARE(pane.horizontalScrollBar()->value(), 0);
    QCOMPARE(pane.bytes(), std::string("second\r\n"));
    pane.clearBytes();
    QVERIFY(pane.bytes().empty());
    QVERIFY(pane.toPlainText().isEmpty());
    QCOMPARE(pane.lineCount(), 1);
  }

  void selectionIsScrolledIntoView_data() {
    QTest::addColumn<int>("line");
    QTest::newRow("far down") << 700;
    QTest::newRow("last") << 999;
    QTest::newRow("back up") << 3;
  }
  void selectionIsScrolledIntoView() {
    QFETCH(int, line);
    TShownPane shown(numberedLines(1000));
    TTextPane& pane = shown.pane;
    pane.selectBytes(pane.lineStart(500), 1);
    pane.selectBytes(pane.lineStart(line) + 2, 3);
    const int first = pane.firstVisibleRow();
    QVERIFY2(first <= line && line < first + pane.visibleRowCount(),
             qPrintable(QStringLiteral("line %1, first %2").arg(line).arg(first)));
    QVERIFY(pane.viewport()->rect().contains(pane.pointOf(pane.caretPosition())));
    QCOMPARE(pane.selectedBytes(), pane.bytes().substr(std::size_t(pane.lineStart(line)) + 2, 3));
  }

  void longLinesWrapAtTheWidth_data() {
    QTest::addColumn<std::string>("bytes");
    QTest::addColumn<int>("columns");
    QTest::addColumn<QStringList>("rows");
    QTest::newRow("after the last space that fits")
        << std::string("alpha beta gamma delta") << 12 << QStringList{"alpha beta ", "gamma delta"};
    QTest::newRow("space at the edge hangs")
        << std::string("abcde fghij") << 5 << QStringList{"abcde ", "fghij"};
    QTest::newRow("word wider than the pane") << std::string("abcdefghijklmnopqrstuvwxyz") << 10
                                              << QStringList{"abcdefghij", "klmnopqrst", "uvwxyz"};
    QTest::newRow("long word after a short one")
        << std::string("ab cdefghijklmnop") << 6 << QStringList{"ab ", "cdefgh", "ijklmn", "op"};
    QTest::newRow("indented word wider than the pane")
        << std::string("  abcdefghij kl") << 6 << QStringList{"  abcd", "efghij ", "kl"};
    QTest::newRow("line breaks stay") << std::string("aaaa bbbb\r\ncc dd ee\nf\r") << 5
                                      << QStringList{"aaaa ", "bbbb", "cc dd ", "ee", "f", ""};
    QTest::newRow("tabs count from the row start")
        << std::string("ab\tcd\r\nxy\tz") << 9 << QStringList{"ab      ", "cd", "xy      z"};
    QTest::newRow("narrower than a character")
        << std::string("ab\r\nc") << 0 << QStringList{"a", "b", "c"};
  }
  void longLinesWrapAtTheWidth() {
    QFETCH(std::string, bytes);
    QFETCH(int, columns);
    QFETCH(QStringList, rows);
    TShownPane shown(bytes);
    TTextPane& pane = shown.pane;
    QVERIFY(fitColumns(pane, columns));
    QCOMPARE(rowTexts(pane), rows);
    // Sideways scrolling is left for characters wider than the pane.
    QCOMPARE(pane.horizontalScrollBar()->maximum() > 0, columns == 0);
    QVERIFY(fitColumns(pane, 80));
    QCOMPARE(pane.rowCount(), pane.lineCount());
    QCOMPARE(pane.horizontalScrollBar()->maximum(), 0);
    QVERIFY(fitColumns(pane, columns));
    QCOMPARE(rowTexts(pane), rows);
  }

  void pointsAndOffsetsAgreeOnWrappedRows() {
    const std::string bytes = "alpha beta gamma delta epsilon\r\nzeta eta theta iota";
    TShownPane shown(bytes);
    TTextPane& pane = shown.pane;
    QVERIFY(fitColumns(pane, 12));
    QCOMPARE(pane.rowCount(), 5);
    const int left = pane.pointOf(0).x();
    for (std::int32_t offset = 0; offset <= std::int32_t(bytes.size()); ++offset) {
      if (splitsPair(bytes, std::size_t(offset))) continue;
      const QPoint point = pane.pointOf(offset);
      QCOMPARE(pane.offsetAt(point), offset);
      const int row = pane.rowOf(offset);
      QCOMPARE(point.y(), pane.pointOf(pane.rowStart(row)).y());
      // Where a line wraps, the caret stands at the start of the lower row.
      if (offset == pane.rowStart(row)) QCOMPARE(point.x(), left);
    }
    for (int row = 0; row + 1 < pane.rowCount(); ++row) {
      // Right of a wrapped row the caret stays on it, before its last byte.
      const std::int32_t beyond =
          pane.offsetAt(QPoint(pane.viewport()->width() - 1, pane.pointOf(pane.rowStart(row)).y()));
      const bool wraps = pane.rowEnd(row) == pane.rowStart(row + 1);
      QCOMPARE(beyond, pane.rowEnd(row) - (wraps ? 1 : 0));
      QVERIFY(pane.pointOf(pane.rowStart(row + 1)).y() > pane.pointOf(pane.rowEnd(row) - 1).y());
    }
  }

  void keysFollowWrappedRows_data() {
    addKeyColumns();
    const auto shift = Qt::ShiftModifier;
    // Rows "aaaaaaaaaa ", "bbbbbbbbbb ", "cccccccccc" start at 0, 11 and 22.
    QTest::newRow("down") << 3 << QKeyCombination(Qt::Key_Down) << 1 << 14 << 0;
    QTest::newRow("down twice") << 3 << QKeyCombination(Qt::Key_Down) << 2 << 25 << 0;
    QTest::newRow("down stops on the last row")
        << 3 << QKeyCombination(Qt::Key_Down) << 5 << 25 << 0;
    QTest::newRow("down from a row's end") << 10 << QKeyCombination(Qt::Key_Down) << 1 << 21 << 0;
    QTest::newRow("up") << 25 << QKeyCombination(Qt::Key_Up) << 1 << 14 << 0;
    QTest::newRow("shift down") << 3 << QKeyCombination(shift, Qt::Key_Down) << 1 << 3 << 11;
    QTest::newRow("home") << 14 << QKeyCombination(Qt::Key_Home) << 1 << 11 << 0;
    QTest::newRow("home at the wrap") << 11 << QKeyCombination(Qt::Key_Home) << 1 << 11 << 0;
    QTest::newRow("end") << 14 << QKeyCombination(Qt::Key_End) << 1 << 21 << 0;
    QTest::newRow("end of the last row") << 25 << QKeyCombination(Qt::Key_End) << 1 << 32 << 0;
    QTest::newRow("shift home") << 14 << QKeyCombination(shift, Qt::Key_Home) << 1 << 11 << 3;
    QTest::newRow("shift end") << 0 << QKeyCombination(shift, Qt::Key_End) << 1 << 0 << 10;
    QTest::newRow("right over the wrap") << 21 << QKeyCombination(Qt::Key_Right) << 1 << 22 << 0;
    QTest::newRow("page down") << 3 << QKeyCombination(Qt::Key_PageDown) << 1 << 25 << 0;
  }
  void keysFollowWrappedRows() {
    TShownPane shown("aaaaaaaaaa bbbbbbbbbb cccccccccc");
    TTextPane& pane = shown.pane;
    QVERIFY(fitColumns(pane, 11));
    QCOMPARE(pane.rowCount(), 3);
    pressKeys(pane);
    QTEST(int(pane.selStart()), "selStart");
    QTEST(int(pane.selLength()), "selLength");
  }

  void selectionShowsOnEveryRowItSpans() {
    TShownPane shown("aaaaaaaaaa bbbbbbbbbb cccccccccc");
    TTextPane& pane = shown.pane;
    QVERIFY(fitColumns(pane, 11));
    pane.clearFocus();
    pane.selectBytes(5, 22);
    const QImage image = pane.viewport()->grab().toImage();
    const QColor highlight = pane.palette().color(QPalette::Active, QPalette::Highlight);
    // The top edge of a row, above any glyph.
    auto shade = [&](std::int32_t offset) {
      const QPoint top = pane.pointOf(offset) - QPoint(0, pane.fontMetrics().lineSpacing() / 2);
      return QColor(image.pixel(top));
    };
    for (std::int32_t offset : {5, 10, 11, 21, 22, 26})
      QVERIFY2(shade(offset) == highlight, qPrintable(QString::number(offset)));
    for (std::int32_t offset : {0, 4, 27, 31})
      QVERIFY2(shade(offset) != highlight, qPrintable(QString::number(offset)));
  }

  void selectionInAWrappedRowIsScrolledIntoView_data() {
    QTest::addColumn<int>("line");
    QTest::addColumn<int>("column");
    QTest::newRow("far down") << 250 << 93;
    QTest::newRow("last") << 299 << 140;
    QTest::newRow("back up") << 2 << 61;
  }
  void selectionInAWrappedRowIsScrolledIntoView() {
    QFETCH(int, line);
    QFETCH(int, column);
    TShownPane shown(repeated(repeated("word ", 30) + "\r\n", 300));
    TTextPane& pane = shown.pane;
    QVERIFY(fitColumns(pane, 20));
    pane.selectBytes(pane.lineStart(200), 1);
    const std::int32_t start = pane.lineStart(line) + column;
    pane.selectBytes(start, 3);
    QCOMPARE(pane.selectedBytes(), pane.bytes().substr(std::size_t(start), 3));
    QVERIFY(pane.rowStart(pane.rowOf(start)) > pane.lineStart(line));
    const int first = pane.firstVisibleRow();
    QVERIFY(first <= pane.rowOf(start));
    QVERIFY(pane.rowOf(pane.caretPosition()) < first + pane.visibleRowCount());
    QVERIFY(pane.viewport()->rect().contains(pane.pointOf(start)));
    QVERIFY(pane.viewport()->rect().contains(pane.pointOf(pane.caretPosition())));
  }

  void fontChangeRewraps() {
    TShownPane shown(repeated("word ", 40));
    TTextPane& pane = shown.pane;
    QVERIFY(fitColumns(pane, 30));
    const int rows = pane.rowCount();
    QCOMPARE(rows, 7);
    const QFont small = pane.font();
    QFont big = small;
    big.setPointSize(small.pointSize() * 2);
    pane.setFont(big);
    QVERIFY(pane.rowCount() > rows);
    for (int row = 0; row < pane.rowCount(); ++row)
      QVERIFY(pane.pointOf(pane.rowEnd(row) - 1).x() < pane.viewport()->width());
    pane.setFont(small);
    QCOMPARE(pane.rowCount(), rows);
  }

  void pointsAndOffsetsAgreeInAnyFont_data() {
    QTest::addColumn<QFont>("font");
    QTest::newRow("fixed") << QFontDatabase::systemFont(QFontDatabase::FixedFont);
    QTest::newRow("proportional") << QFont(QStringLiteral("DejaVu Sans"), 13);
    QTest::newRow("proportional bold")
        << QFont(QStringLiteral("DejaVu Serif"), 9, QFont::Bold, true);
  }
  void pointsAndOffsetsAgreeInAnyFont() {
    QFETCH(QFont, font);
    const std::string line = "iiWW\t.\x84\xB0m\x01 x";
    TShownPane shown(line + "\r\n" + line);
    TTextPane& pane = shown.pane;
    pane.setFont(font);
    int previous = -1;
    for (std::int32_t offset = 0; offset <= std::int32_t(line.size()); ++offset) {
      const QPoint point = pane.pointOf(offset);
      QVERIFY(point.x() > previous);
      previous = point.x();
      QCOMPARE(pane.offsetAt(point), offset);
      const std::int32_t below = offset + std::int32_t(line.size()) + 2;
      QCOMPARE(pane.offsetAt(pane.pointOf(below)), below);
    }
  }

  void mouseSetsCaretAndSelects() {
    TShownPane shown("OBJECT Table 1 Customer\r\n{\r\n  PROPERTIES\r\n}\r\n");
    TTextPane& pane = shown.pane;
    QWidget* view = pane.viewport();
    QTest::mouseClick(view, Qt::LeftButton, {}, pane.pointOf(7));
    QCOMPARE(pane.caretPosition(), 7);
    QCOMPARE(pane.selLength(), 0);
    QVERIFY(pane.hasFocus());

    QTest::mousePress(view, Qt::LeftButton, {}, pane.pointOf(2));
    QTest::mouseMove(view, pane.pointOf(32));
    QTest::mouseRelease(view, Qt::LeftButton, {}, pane.pointOf(32));
    QCOMPARE(pane.selStart(), 2);
    QCOMPARE(pane.selectedBytes(), std::string("JECT Table 1 Customer\r\n{\r\n  PR"));

    QTest::mouseClick(view, Qt::LeftButton, Qt::ShiftModifier, pane.pointOf(14));
    QCOMPARE(pane.selStart(), 2);
    QCOMPARE(pane.selectedBytes(), std::string("JECT Table 1"));

    // Past the end of a line the caret stops before its CR LF.
    QTest::mouseClick(view, Qt::LeftButton, {}, pane.pointOf(22) + QPoint(40, 0));
    QCOMPARE(pane.caretPosition(), 23);

    QTest::mouseDClick(view, Qt::LeftButton, {}, pane.pointOf(17) + QPoint(1, 0));
    QTest::mouseRelease(view, Qt::LeftButton, {}, pane.pointOf(17) + QPoint(1, 0));
    QCOMPARE(pane.selectedBytes(), std::string("Customer"));
    QCOMPARE(pane.caretPosition(), 23);
  }

  void dragBelowThePaneScrollsDown() {
    TShownPane shown(numberedLines(200));
    TTextPane& pane = shown.pane;
    QWidget* view = pane.viewport();
    QTest::mousePress(view, Qt::LeftButton, {}, pane.pointOf(0));
    QTest::mouseMove(view, QPoint(10, view->height() + 3 * pane.fontMetrics().lineSpacing()));
    QVERIFY(pane.verticalScrollBar()->value() > 0);
    QCOMPARE(pane.selStart(), 0);
    QVERIFY(pane.rowOf(pane.caretPosition()) >= pane.visibleRowCount());
    QTest::mouseRelease(view, Qt::LeftButton, {}, pane.pointOf(pane.caretPosition()));
  }

  void keysMoveAndExtend_data() {
    addKeyColumns();
    const auto shift = Qt::ShiftModifier;
    const auto control = Qt::ControlModifier;
    // "ab\r\ncd e\r\nfgh": lines start at 0, 4 and 10.
    QTest::newRow("right over CR LF") << 2 << QKeyCombination(Qt::Key_Right) << 1 << 4 << 0;
    QTest::newRow("left over CR LF") << 4 << QKeyCombination(Qt::Key_Left) << 1 << 2 << 0;
    QTest::newRow("shift right") << 1 << QKeyCombination(shift, Qt::Key_Right) << 2 << 1 << 3;
    QTest::newRow("shift left") << 5 << QKeyCombination(shift, Qt::Key_Left) << 2 << 2 << 3;
    QTest::newRow("down") << 1 << QKeyCombination(Qt::Key_Down) << 1 << 5 << 0;
    QTest::newRow("down keeps column") << 7 << QKeyCombination(Qt::Key_Down) << 1 << 13 << 0;
    QTest::newRow("down stops at end") << 1 << QKeyCombination(Qt::Key_Down) << 5 << 11 << 0;
    QTest::newRow("up") << 11 << QKeyCombination(Qt::Key_Up) << 1 << 5 << 0;
    QTest::newRow("shift down") << 0 << QKeyCombination(shift, Qt::Key_Down) << 1 << 0 << 4;
    QTest::newRow("shift up") << 12 << QKeyCombination(shift, Qt::Key_Up) << 2 << 2 << 10;
    QTest::newRow("end") << 0 << QKeyCombination(Qt::Key_End) << 1 << 2 << 0;
    QTest::newRow("shift end") << 5 << QKeyCombination(shift, Qt::Key_End) << 1 << 5 << 3;
    QTest::newRow("home") << 7 << QKeyCombination(Qt::Key_Home) << 1 << 4 << 0;
    QTest::newRow("shift home") << 7 << QKeyCombination(shift, Qt::Key_Home) << 1 << 4 << 3;
    QTest::newRow("ctrl end") << 0 << QKeyCombination(control, Qt::Key_End) << 1 << 13 << 0;
    QTest::newRow("ctrl shift home")
        << 11 << QKeyCombination(control | shift, Qt::Key_Home) << 1 << 0 << 11;
    QTest::newRow("ctrl right") << 4 << QKeyCombination(control, Qt::Key_Right) << 1 << 7 << 0;
    QTest::newRow("ctrl left") << 8 << QKeyCombination(control, Qt::Key_Left) << 1 << 7 << 0;
    QTest::newRow("page down") << 1 << QKeyCombination(Qt::Key_PageDown) << 1 << 11 << 0;
    QTest::newRow("shift page up") << 12 << QKeyCombination(shift, Qt::Key_PageUp) << 1 << 2 << 10;
  }
  void keysMoveAndExtend() {
    TShownPane shown("ab\r\ncd e\r\nfgh");
    TTextPane& pane = shown.pane;
    pressKeys(pane);
    QTEST(int(pane.selStart()), "selStart");
    QTEST(int(pane.selLength()), "selLength");
  }

  void pageDownMovesByAScreen() {
    TShownPane shown(numberedLines(500));
    TTextPane& pane = shown.pane;
    const int page = pane.visibleRowCount();
    QVERIFY(page > 2);
    QTest::keyClick(&pane, Qt::Key_PageDown);
    QCOMPARE(pane.rowOf(pane.caretPosition()), page);
    QCOMPARE(pane.firstVisibleRow(), page);
    QTest::keyClick(&pane, Qt::Key_PageDown, Qt::ShiftModifier);
    QCOMPARE(pane.rowOf(pane.caretPosition()), 2 * page);
    QCOMPARE(pane.selStart(), pane.lineStart(page));
    QTest::keyClick(&pane, Qt::Key_End, Qt::ControlModifier);
    QCOMPARE(pane.firstVisibleRow(), 500 + 1 - page);
  }

  void caretNeverStandsInsideCrLf() {
    const std::string bytes = "a\r\n\r\nb\r\r\n\nc\r\n";
    TShownPane shown(bytes);
    TTextPane& pane = shown.pane;
    std::vector<std::int32_t> stops{0};
    for (std::size_t i = 0; i < bytes.size(); ++i) {
      QTest::keyClick(&pane, Qt::Key_Right, Qt::ShiftModifier);
      stops.push_back(pane.caretPosition());
      QVERIFY2(!splitsPair(bytes, std::size_t(pane.caretPosition())),
               qPrintable(QString::number(pane.caretPosition())));
      QCOMPARE(pane.selStart(), 0);
    }
    QCOMPARE(pane.selLength(), std::int32_t(bytes.size()));
    pane.selectBytes(std::int32_t(bytes.size()), 0);
    QCOMPARE(stops, (std::vector<std::int32_t>{0, 1, 3, 5, 6, 7, 9, 10, 11, 13, 13, 13, 13, 13}));
    for (std::size_t i = 0; i < bytes.size(); ++i) {
      QTest::keyClick(&pane, Qt::Key_Left);
      QVERIFY(!splitsPair(bytes, std::size_t(pane.caretPosition())));
    }
    QCOMPARE(pane.caretPosition(), 0);
  }

  void selectAllTakesEveryByte() {
    TShownPane shown("one\r\ntwo\r\n");
    TTextPane& pane = shown.pane;
    pane.selectAll();
    QCOMPARE(pane.selStart(), 0);
    QCOMPARE(pane.selectedBytes(), pane.bytes());
    pane.selectBytes(2, 0);
    QTest::keyClick(&pane, Qt::Key_A, Qt::ControlModifier);
    QCOMPARE(pane.selLength(), 10);
  }

  void tabMovesTheFocusOn() {
    QWidget form;
    auto* layout = new QVBoxLayout(&form);
    auto* pane = new TTextPane;
    auto* other = new TTextPane;
    layout->addWidget(pane);
    layout->addWidget(other);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    pane->setBytes("a\tb");
    pane->setFocus();
    QTest::keyClick(pane, Qt::Key_Tab);
    QVERIFY(pane->hasFocus());
    pane->setTabChangesFocus(true);
    QTest::keyClick(pane, Qt::Key_Tab);
    QVERIFY(other->hasFocus());
    QCOMPARE(pane->bytes(), std::string("a\tb"));
  }

  // The window hangs its popup menu on the request, at viewport coordinates.
  void rightClickAsksForTheMenu() {
    TShownPane shown("abc\r\ndef");
    TTextPane& pane = shown.pane;
    pane.setContextMenuPolicy(Qt::CustomContextMenu);
    QSignalSpy requested(&pane, &QWidget::customContextMenuRequested);
    const QPoint at = pane.pointOf(5);
    QContextMenuEvent event(QContextMenuEvent::Mouse, at, pane.viewport()->mapToGlobal(at));
    QApplication::sendEvent(pane.viewport(), &event);
    QCOMPARE(requested.count(), 1);
    QCOMPARE(requested.at(0).at(0).toPoint(), at);
  }

  void fontChangeRelaysTheLines() {
    TShownPane shown(numberedLines(50));
    TTextPane& pane = shown.pane;
    const int lineTwo = pane.pointOf(pane.lineStart(2)).y();
    const int visible = pane.visibleRowCount();
    QFont big = pane.font();
    big.setPointSize(big.pointSize() * 3);
    pane.setFont(big);
    QVERIFY(pane.pointOf(pane.lineStart(2)).y() > lineTwo);
    QVERIFY(pane.visibleRowCount() < visible);
    QCOMPARE(pane.verticalScrollBar()->maximum(), 51 - pane.visibleRowCount());
  }

  void selectionShowsWithoutFocus() {
    TShownPane shown("    \r\nxx");
    TTextPane& pane = shown.pane;
    pane.clearFocus();
    pane.selectBytes(0, 4);
    QVERIFY(!pane.hasFocus());
    const QImage image = pane.viewport()->grab().toImage();
    const QPoint inside = pane.pointOf(2);
    QCOMPARE(QColor(image.pixel(inside)),
             pane.palette().color(QPalette::Active, QPalette::Highlight));
    const QPoint after = pane.pointOf(4) + QPoint(pane.fontMetrics().horizontalAdvance('x') * 3, 0);
    QCOMPARE(QColor(image.pixel(after)), pane.palette().color(QPalette::Base));
  }

  void megabyteTextNeedsNoObjectPerLine() {
    const std::string bytes = numberedLines(60000);
    QVERIFY(bytes.size() > 700000);
    TShownPane shown({});
    TTextPane& pane = shown.pane;
    const auto children = pane.findChildren<QObject*>().size();
    pane.setBytes(bytes);
    QCOMPARE(pane.findChildren<QObject*>().size(), children);
    QCOMPARE(pane.lineCount(), 60001);
    QCOMPARE(pane.verticalScrollBar()->maximum(), 60001 - pane.visibleRowCount());
    QCOMPARE(pane.lineText(45678), QStringLiteral("line 45678"));
    pane.selectBytes(pane.lineStart(59999), 4);
    QCOMPARE(pane.selectedBytes(), std::string("line"));
    QVERIFY(pane.firstVisibleRow() > 59000);
    QVERIFY(!pane.viewport()->grab().isNull());
  }

  void megabyteOfLongLinesWraps() {
    const std::string line = repeated("wrapping ", 110) + "\r\n";
    const std::string bytes = repeated(line, (1 << 20) / int(line.size()) + 1);
    TShownPane shown({});
    TTextPane& pane = shown.pane;
    QVERIFY(fitColumns(pane, 40));
    const auto children = pane.findChildren<QObject*>().size();
    pane.setBytes(bytes);
    QCOMPARE(pane.findChildren<QObject*>().size(), children);
    // Four words of nine bytes to a row.
    QCOMPARE(pane.rowCount(), (pane.lineCount() - 1) * 28 + 1);
    QCOMPARE(pane.rowText(28 * 500 + 3), QString("wrapping ").repeated(4));
    pane.selectBytes(std::int32_t(bytes.size()) - 7, 4);
    QCOMPARE(pane.selectedBytes(), std::string("ping"));
    QCOMPARE(pane.rowOf(pane.caretPosition()), pane.firstVisibleRow() + pane.visibleRowCount() - 1);
    // Widening keeps the top row's text in view.
    pane.verticalScrollBar()->setValue(28 * 700 + 5);
    const std::int32_t top = pane.rowStart(pane.firstVisibleRow());
    QVERIFY(fitColumns(pane, 100));
    QCOMPARE(pane.firstVisibleRow(), pane.rowOf(top));
    QCOMPARE(pane.rowCount(), (pane.lineCount() - 1) * 10 + 1);
  }
};

QTEST_MAIN(TestTextPane)
#include "tst_textpane.moc"
