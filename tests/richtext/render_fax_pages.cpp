// Renders an RTF file the way fax file creation does (1664 x 2156 page,
// text area (49,49)-(1615,2107), zoom 208 at 96 dpi) and writes each page as
// a PNG, to look at the result or to make the documentation's picture.
//
//   render_fax_pages IN.rtf OUT_PREFIX     -> OUT_PREFIX-1.png, -2.png, ...

#include <QApplication>
#include <QFile>
#include <cstdio>

#include "richtext/wp_rich_text.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc != 3) {
    std::fprintf(stderr, "usage: render_fax_pages IN.rtf OUT_PREFIX\n");
    return 2;
  }
  QFile in(QString::fromLocal8Bit(argv[1]));
  if (!in.open(QIODevice::ReadOnly)) {
    std::fprintf(stderr, "cannot read %s\n", argv[1]);
    return 1;
  }
  telvane::TWPRichText text;
  QString problems;
  if (!text.LoadRtf(in.readAll(), &problems)) std::fprintf(stderr, "%s\n", qPrintable(problems));
  text.SetZoom(208);
  const QRect area(QPoint(49, 49), QPoint(1664 - 49, 2156 - 49));
  int position = 0, number = 0;
  do {
    QImage page(1664, 2156, QImage::Format_Mono);
    page.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
    page.fill(0);
    position = text.DrawPage(position, area, page, 96);
    page.setPixel(1664 - 5, 2156 - 5, 1);
    const QString name = QString::fromLocal8Bit(argv[2]) + QStringLiteral("-%1.png").arg(++number);
    if (!page.save(name)) {
      std::fprintf(stderr, "cannot write %s\n", qPrintable(name));
      return 1;
    }
  } while (position > 0 && number < 1000);
  std::printf("%d pages\n", number);
  return 0;
}
