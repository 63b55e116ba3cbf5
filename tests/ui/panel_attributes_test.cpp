// Colours and fonts between the stored settings and Qt.
#include <QFontInfo>
#include <QTest>

#include "ui/panel_attributes.h"
#include "ui/support/fake_ui_host.h"

class PanelAttributesTest : public QObject {
  Q_OBJECT

 private slots:
  void coloursAreBlueGreenRed() {
    QCOMPARE(ui::toQColor(0x00332211), QColor(0x11, 0x22, 0x33));
    QCOMPARE(ui::toColour(QColor(0x11, 0x22, 0x33)), tree::Colour{0x00332211});
  }

  void fontRoundTrip_data() {
    QTest::addColumn<int>("pixels");
    QTest::addColumn<int>("weight");
    QTest::addColumn<bool>("italic");
    QTest::newRow("regular") << 13 << int(QFont::Normal) << false;
    QTest::newRow("bold italic") << 20 << int(QFont::Bold) << true;
  }
  void fontRoundTrip() {
    QFETCH(int, pixels);
    QFETCH(int, weight);
    QFETCH(bool, italic);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(pixels);
    font.setWeight(static_cast<QFont::Weight>(weight));
    font.setItalic(italic);
    const tree::LogFontBlock block = ui::toLogFont(font);
    // Height as a negative character height, the face as UTF-16 at 28.
    QCOMPARE(static_cast<int8_t>(block[0]), static_cast<int8_t>(-pixels));
    QCOMPARE(block[28], uint8_t{'D'});
    QCOMPARE(block[29], uint8_t{0});
    const QFont back = ui::toQFont(block, QFont());
    QCOMPARE(back.family(), font.family());
    QCOMPARE(QFontInfo(back).pixelSize(), pixels);
    QCOMPARE(int(back.weight()), weight);
    QCOMPARE(back.italic(), italic);
  }

  void blockWithoutFaceIsTheFallback() {
    QFont fallback(QStringLiteral("DejaVu Serif"));
    fallback.setPixelSize(17);
    QCOMPARE(ui::toQFont(tree::LogFontBlock{}, fallback), fallback);
  }

  void uiAttributesTakeTheSevenColours() {
    ui_testing::FakeUiHost host;
    const tree::UiAttributes attributes = ui::uiAttributes(host);
    for (std::size_t i = 0; i < 7; ++i) QCOMPARE(ui::toQColor(attributes.colours[i]), host.colours[i]);
    QCOMPARE(ui::toQFont(attributes.font, QFont()).family(), host.font.family());
  }
};

QTEST_MAIN(PanelAttributesTest)
#include "panel_attributes_test.moc"
