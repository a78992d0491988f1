// Kavconv's command line (see cli.h).
#include "cli.h"

#include <QDir>
#include <QFileInfo>

#include "conv.h"

namespace kavconv {

namespace {

const char kUsage[] =
    "使い方: kavconv MOTION.txt PARTS.prt -o OUT.mod\n"
    "  旧形式のモーションファイルと部品リストから振付ファイルを作ります。\n"
    "  引数なしで起動するとダイアログを開きます。\n";

int Fail(FILE* err, const QString& why) {
    std::fprintf(err, "kavconv: %s\n", why.toUtf8().constData());
    return 1;
}

int Usage(FILE* err, const QString& why) {
    std::fprintf(err, "kavconv: %s\n%s", why.toUtf8().constData(), kUsage);
    return 1;
}

}  // namespace

int ConvCommandLine(const QStringList& args, FILE* out, FILE* err) {
    QStringList inputs;
    QString output;
    bool haveOutput = false, optionsDone = false;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (!optionsDone && (a == QStringLiteral("-h") || a == QStringLiteral("--help"))) {
            std::fputs(kUsage, out);
            return 0;
        }
        if (!optionsDone && a == QStringLiteral("--")) {
            optionsDone = true;
        } else if (!optionsDone && a == QStringLiteral("-o")) {
            if (i + 1 >= args.size()) return Usage(err, QStringLiteral("-o の後に出力ファイルがありません"));
            if (haveOutput) return Usage(err, QStringLiteral("-o が二度あります"));
            output = args[++i];
            haveOutput = true;
        } else if (!optionsDone && a.startsWith(QLatin1Char('-')) && a.size() > 1) {
            return Usage(err, QStringLiteral("不明なオプション %1").arg(a));
        } else {
            inputs << a;
        }
    }
    if (inputs.size() != 2) return Usage(err, QStringLiteral("入力ファイルは二つ必要です"));
    if (!haveOutput || output.isEmpty())
        return Usage(err, QStringLiteral("出力ファイルを -o で指定してください"));

    ConvReset();
    CurrentPath = QDir::currentPath();
    textFullFileName = QDir(CurrentPath).absoluteFilePath(inputs[0]);
    prtFullFileName = QDir(CurrentPath).absoluteFilePath(inputs[1]);
    FullFileName = QDir(CurrentPath).absoluteFilePath(output);
    FileName = QFileInfo(FullFileName).fileName();
    if (FileName.isEmpty()) return Fail(err, QStringLiteral("%1はファイル名ではありません").arg(output));

    // A slip of the keyboard must not replace an input with the output.
    QString target = QFileInfo(OutputPath()).canonicalFilePath();
    for (const QString& in : {textFullFileName, prtFullFileName})
        if (!target.isEmpty() && QFileInfo(in).canonicalFilePath() == target)
            return Fail(err, QStringLiteral("出力先%1は入力ファイルと同じです").arg(output));

    QString why;
    if (!TextRead(&why) || !PrtRead(&why) || !FileSave(&why)) return Fail(err, why);
    return 0;
}

}  // namespace kavconv
