// Turns the manual (Markdown, or HTML when the source ends in .html) into the PDF that the
// program's help buttons open:
//
//   fotarium-make-manual SOURCE OUTPUT.pdf
//
// A4 pages, the manual's title at the head of every page after the first and "Seite N von M"
// at the foot. The PDF goes to a temporary file first and replaces OUTPUT only when it is
// complete, so a failed run never leaves half a manual behind for the build to install.
// Needs no display: run it with QT_QPA_PLATFORM=offscreen.

#include <QAbstractTextDocumentLayout>
#include <QBrush>
#include <QColor>
#include <QFile>
#include <QFont>
#include <QGuiApplication>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextTable>

#include <cstdio>

namespace {

constexpr int Resolution = 300; // dots per inch of the PDF's coordinate space
constexpr double BodyPointSize = 10.0;
constexpr double MarginMm = 20.0;
constexpr double HeadFootMm = 9.0; // room kept at the top and bottom for head and foot lines

double MmToDots(double mm) { return mm / 25.4 * Resolution; }

void Fail(const QString& message) { std::fprintf(stderr, "fotarium-make-manual: %s\n", qPrintable(message)); }

// Markdown tables come without rules or padding; a manual reads better with both.
void StyleTables(QTextFrame* frame) {
  for (auto it = frame->begin(); !it.atEnd(); ++it) {
    QTextFrame* child = it.currentFrame();
    if (child == nullptr)
      continue;
    if (auto* table = qobject_cast<QTextTable*>(child)) {
      QTextTableFormat format = table->format();
      // Frame lengths are in 96-dpi pixels; the layout scales them to the PDF.
      format.setBorder(1);
      format.setBorderBrush(QBrush(QColor(0x80, 0x80, 0x80)));
      format.setBorderStyle(QTextFrameFormat::BorderStyle_Solid);
      format.setBorderCollapse(true);
      format.setCellPadding(3);
      format.setCellSpacing(0);
      format.setWidth(QTextLength(QTextLength::PercentageLength, 100));
      format.setHeaderRowCount(1);
      table->setFormat(format);
    }
    StyleTables(child);
  }
}

QString FirstLine(const QTextDocument& document) {
  for (QTextBlock block = document.begin(); block.isValid(); block = block.next())
    if (!block.text().trimmed().isEmpty())
      return block.text().trimmed();
  return {};
}

bool Render(const QString& source, bool html, QIODevice& target) {
  QPdfWriter writer(&target);
  writer.setResolution(Resolution);
  writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                   QMarginsF(MarginMm, MarginMm - HeadFootMm / 2, MarginMm, MarginMm - HeadFootMm / 2),
                                   QPageLayout::Millimeter));
  writer.setCreator("Fotarium");

  QTextDocument document;
  // Lay out with the PDF's own metrics, so that what is measured is what is printed.
  document.documentLayout()->setPaintDevice(&writer);
  QFont font("DejaVu Sans");
  font.setPointSizeF(BodyPointSize);
  document.setDefaultFont(font);
  if (html)
    document.setHtml(source);
  else
    document.setMarkdown(source, QTextDocument::MarkdownDialectGitHub);
  StyleTables(document.rootFrame());

  const QString title = FirstLine(document);
  writer.setTitle(title);

  const QRectF paper = writer.pageLayout().paintRectPixels(Resolution);
  const double headFoot = MmToDots(HeadFootMm);
  const QSizeF body(paper.width(), paper.height() - 2 * headFoot);
  if (body.width() <= 0 || body.height() <= 0) {
    Fail("page too small");
    return false;
  }
  document.setPageSize(body);
  const int pages = document.pageCount();

  QPainter painter;
  if (!painter.begin(&writer)) {
    Fail("cannot paint on the PDF");
    return false;
  }
  QFont small = font;
  small.setPointSizeF(BodyPointSize * 0.8);
  for (int page = 0; page < pages; ++page) {
    if (page > 0 && !writer.newPage()) {
      Fail("cannot start a new page");
      return false;
    }
    painter.save();
    painter.translate(0, headFoot - page * body.height());
    document.drawContents(&painter, QRectF(QPointF(0, page * body.height()), body));
    painter.restore();

    painter.setFont(small);
    painter.setPen(Qt::darkGray);
    if (page > 0)
      painter.drawText(QRectF(0, 0, body.width(), headFoot * 0.7), Qt::AlignLeft | Qt::AlignTop, title);
    painter.drawText(QRectF(0, paper.height() - headFoot * 0.7, body.width(), headFoot * 0.7),
                     Qt::AlignHCenter | Qt::AlignBottom, QString("Seite %1 von %2").arg(page + 1).arg(pages));
  }
  return painter.end();
}

} // namespace

int main(int argc, char** argv) {
  QGuiApplication application(argc, argv);
  const QStringList args = QCoreApplication::arguments();
  if (args.size() != 3) {
    Fail("usage: fotarium-make-manual SOURCE.md|SOURCE.html OUTPUT.pdf");
    return 2;
  }
  QFile sourceFile(args[1]);
  if (!sourceFile.open(QIODevice::ReadOnly)) {
    Fail(args[1] + ": " + sourceFile.errorString());
    return 1;
  }
  const QString source = QString::fromUtf8(sourceFile.readAll());
  const bool html = args[1].endsWith(".html", Qt::CaseInsensitive) || args[1].endsWith(".htm", Qt::CaseInsensitive);
  if (source.trimmed().isEmpty()) {
    Fail(args[1] + ": the manual is empty");
    return 1;
  }

  QSaveFile target(args[2]);
  if (!target.open(QIODevice::WriteOnly)) {
    Fail(args[2] + ": " + target.errorString());
    return 1;
  }
  if (!Render(source, html, target)) {
    target.cancelWriting();
    return 1;
  }
  if (!target.commit()) {
    Fail(args[2] + ": " + target.errorString());
    return 1;
  }
  return 0;
}
