// Peak memory of opening workbooks that are mostly text, which must be
// refused within the workbook memory budget (xl::kWorkbookMemoryBudget)
// instead of filling the memory:
//
//   long-texts   three sheets of long inline strings (about 250 MiB of XML
//                each, a 5 MB file: the text repeats, with a letter changed
//                every 4000 characters so the file is no zip bomb)
//   many-texts   three million different shared strings of 40 characters
//
//   workbook_text_memory_bench                  writes both files, opens each in a
//                                               child process (and with lumivanectl
//                                               beside the bench when built) and prints
//                                               outcome, time and peak memory
//   workbook_text_memory_bench --make KIND FILE only writes a file
//   workbook_text_memory_bench --load FILE      opens FILE once and prints its figures
//   workbook_text_memory_bench --ctl FILE       runs lumivanectl options FILE and prints
//                                               its exit status and peak memory

#include <sys/resource.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>
#include <functional>
#include <quazip/quazip.h>
#include <quazip/quazipfile.h>
#include <quazip/quazipnewinfo.h>

#include "workbook/engine/XlsxFile.h"

namespace {

QTextStream& out() {
  static QTextStream stream(stdout);
  return stream;
}

qint64 peakKiB() {
  QFile status(QStringLiteral("/proc/self/status"));
  if (!status.open(QIODevice::ReadOnly)) return -1;
  for (const QByteArray& line : status.readAll().split('\n'))
    if (line.startsWith("VmHWM:")) return line.mid(6).trimmed().split(' ').front().toLongLong();
  return -1;
}

const char* const kContentTypes =
    R"(<?xml version="1.0"?><Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">)"
    R"(<Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/>)"
    R"(<Default Extension="xml" ContentType="application/xml"/><Override PartName="/xl/workbook.xml" )"
    R"(ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml"/></Types>)";
const char* const kPackageRels =
    R"(<?xml version="1.0"?><Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">)"
    R"(<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument" )"
    R"(Target="xl/workbook.xml"/></Relationships>)";
const char* const kSheetStart =
    R"(<?xml version="1.0"?><worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"><sheetData>)";
const char* const kSheetEnd = "</sheetData></worksheet>";
const QString kRelationships = QStringLiteral("http://schemas.openxmlformats.org/officeDocument/2006/relationships/");

// A package written part by part, each part streamed, so making it costs little memory.
class PackageWriter {
 public:
  explicit PackageWriter(const QString& path) : zip_(path) { ok_ = zip_.open(QuaZip::mdCreate); }
  bool add(const QString& name, const std::function<void(QuaZipFile&)>& write) {
    QuaZipFile entry(&zip_);
    if (!ok_ || !entry.open(QIODevice::WriteOnly, QuaZipNewInfo(name), nullptr, 0, Z_DEFLATED, 6)) return ok_ = false;
    write(entry);
    entry.close();
    return ok_ = ok_ && entry.getZipError() == ZIP_OK;
  }
  // The workbook part and its relationships for `sheets` sheets (and a shared-strings part).
  bool addWorkbook(int sheets, bool sharedStrings) {
    QByteArray workbook = R"(<?xml version="1.0"?><workbook xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" )"
                          R"(xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships"><sheets>)";
    QByteArray rels = R"(<?xml version="1.0"?><Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">)";
    for (int i = 1; i <= sheets; ++i) {
      workbook += QStringLiteral(R"(<sheet name="Sheet%1" sheetId="%1" r:id="rId%1"/>)").arg(i).toUtf8();
      rels += QStringLiteral(R"(<Relationship Id="rId%1" Type="%2worksheet" Target="worksheets/sheet%1.xml"/>)")
                  .arg(i)
                  .arg(kRelationships)
                  .toUtf8();
    }
    if (sharedStrings)
      rels += QStringLiteral(R"(<Relationship Id="rIdS" Type="%1sharedStrings" Target="sharedStrings.xml"/>)")
                  .arg(kRelationships)
                  .toUtf8();
    workbook += "</sheets></workbook>";
    rels += "</Relationships>";
    return add(QStringLiteral("[Content_Types].xml"), [](QuaZipFile& f) { f.write(kContentTypes); }) &&
           add(QStringLiteral("_rels/.rels"), [](QuaZipFile& f) { f.write(kPackageRels); }) &&
           add(QStringLiteral("xl/workbook.xml"), [&](QuaZipFile& f) { f.write(workbook); }) &&
           add(QStringLiteral("xl/_rels/workbook.xml.rels"), [&](QuaZipFile& f) { f.write(rels); });
  }
  bool finish() {
    zip_.close();
    return ok_ && zip_.getZipError() == ZIP_OK;
  }

 private:
  QuaZip zip_;
  bool ok_ = false;
};

constexpr int kLongTextSheets = 3;
constexpr int kLongTextCells = 8'000;  // per sheet
constexpr int kLongTextLength = 32'000;
constexpr int kVariedEvery = 4'000;
constexpr int kManyTexts = 3'000'000;
constexpr int kManyTextColumns = 1'000;

bool makeLongTexts(const QString& path) {
  PackageWriter package(path);
  if (!package.addWorkbook(kLongTextSheets, false)) return false;
  quint32 seed = 12345;
  for (int sheet = 1; sheet <= kLongTextSheets; ++sheet) {
    const bool added = package.add(QStringLiteral("xl/worksheets/sheet%1.xml").arg(sheet), [&](QuaZipFile& f) {
      f.write(kSheetStart);
      QByteArray text(kLongTextLength, 'x');
      for (int row = 1; row <= kLongTextCells; ++row) {
        for (int at = row % kVariedEvery; at < kLongTextLength; at += kVariedEvery) {
          seed = seed * 1103515245U + 12345U;
          text[at] = char('A' + (seed >> 16) % 26);
        }
        f.write(QStringLiteral(R"(<row r="%1"><c r="A%1" t="inlineStr"><is><t>)").arg(row).toUtf8());
        f.write(text);
        f.write("</t></is></c></row>");
      }
      f.write(kSheetEnd);
    });
    if (!added) return false;
  }
  return package.finish();
}

bool makeManyTexts(const QString& path) {
  PackageWriter package(path);
  if (!package.addWorkbook(1, true)) return false;
  const bool strings = package.add(QStringLiteral("xl/sharedStrings.xml"), [](QuaZipFile& f) {
    f.write(R"(<?xml version="1.0"?><sst xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main">)");
    QByteArray block;
    for (int i = 0; i < kManyTexts; ++i) {
      block += "<si><t>Sample " + QByteArray::number(i).rightJustified(33, '0') + "</t></si>";
      if (block.size() > 1 << 20) {
        f.write(block);
        block.clear();
      }
    }
    f.write(block);
    f.write("</sst>");
  });
  const bool sheet = package.add(QStringLiteral("xl/worksheets/sheet1.xml"), [](QuaZipFile& f) {
    f.write(kSheetStart);
    int index = 0;
    for (int row = 1; index < kManyTexts; ++row) {
      QByteArray line = "<row r=\"" + QByteArray::number(row) + "\">";
      for (int column = 0; column < kManyTextColumns && index < kManyTexts; ++column)
        line += "<c t=\"s\"><v>" + QByteArray::number(index++) + "</v></c>";
      f.write(line + "</row>");
    }
    f.write(kSheetEnd);
  });
  return strings && sheet && package.finish();
}

bool make(const QString& kind, const QString& path) {
  if (kind == u"long-texts") return makeLongTexts(path);
  if (kind == u"many-texts") return makeManyTexts(path);
  return false;
}

int load(const QString& path) {
  QElapsedTimer timer;
  timer.start();
  QString error;
  const auto model = xl::readXlsx(path, &error);
  const double ms = double(timer.nsecsElapsed()) / 1e6;
  out() << (model ? QStringLiteral("opened") : QStringLiteral("refused")) << QStringLiteral(" in %1 ms, peak %2 MiB")
                                                                                 .arg(ms, 0, 'f', 0)
                                                                                 .arg(double(peakKiB()) / 1024, 0, 'f', 1);
  if (!model) out() << ": " << error.section(QStringLiteral(": "), 1);
  out() << Qt::endl;
  return 0;
}

// lumivanectl options FILE in a child of this process: the peak of the only child waited for.
int ctl(const QString& path) {
  const QString program = QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("../bin/lumivanectl"));
  QProcess process;
  QElapsedTimer timer;
  timer.start();
  process.start(program, {QStringLiteral("options"), path});
  if (!process.waitForFinished(600'000)) {
    out() << "lumivanectl did not finish" << Qt::endl;
    return 1;
  }
  rusage usage{};
  getrusage(RUSAGE_CHILDREN, &usage);
  out() << QStringLiteral("exit %1 in %2 ms, peak %3 MiB")
               .arg(process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1)
               .arg(timer.elapsed())
               .arg(double(usage.ru_maxrss) / 1024, 0, 'f', 1)
        << Qt::endl;
  return 0;
}

QString child(const QStringList& arguments) {
  QProcess process;
  process.start(QCoreApplication::applicationFilePath(), arguments);
  process.waitForFinished(900'000);
  return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const QStringList args = app.arguments();
  if (args.size() == 4 && args[1] == u"--make") return make(args[2], args[3]) ? 0 : 1;
  if (args.size() == 3 && args[1] == u"--load") return load(args[2]);
  if (args.size() == 3 && args[1] == u"--ctl") return ctl(args[2]);

  QTemporaryDir dir;
  out() << QStringLiteral("memory budget: %1 MiB").arg(xl::kWorkbookMemoryBudget / (1024 * 1024)) << Qt::endl;
  for (const QString& kind : {QStringLiteral("long-texts"), QStringLiteral("many-texts")}) {
    const QString path = dir.filePath(kind + QStringLiteral(".xlsx"));
    QElapsedTimer timer;
    timer.start();
    if (!make(kind, path)) {
      out() << kind << ": cannot write " << path << Qt::endl;
      return 1;
    }
    out() << QStringLiteral("%1: %2 bytes (written in %3 s)").arg(kind).arg(QFileInfo(path).size()).arg(timer.elapsed() / 1000)
          << Qt::endl;
    out() << "  engine:      " << child({QStringLiteral("--load"), path}) << Qt::endl;
    out() << "  lumivanectl: " << child({QStringLiteral("--ctl"), path}) << Qt::endl;
  }
  return 0;
}
