#include "templatefile.h"

#include "build/sourcefile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace {

TemplateResult Failed(const QString& message)
{
    TemplateResult result;
    result.message = message;
    return result;
}

TemplateResult Succeeded()
{
    TemplateResult result;
    result.ok = true;
    return result;
}

} // namespace

QString TemplatePathFor(const QString& projectPath)
{
    if (projectPath.isEmpty())
        return QString();
    // Only the last component changes; the folder stays as it was written.
    const qsizetype slash =
        std::max(projectPath.lastIndexOf(u'/'), projectPath.lastIndexOf(QDir::separator()));
    QString name = projectPath.mid(slash + 1);
    const qsizetype dot = name.lastIndexOf(u'.');
    if (dot > 0)
        name.truncate(dot);
    return projectPath.left(slash + 1) + name + QLatin1String(".template.as");
}

TemplateResult LoadTemplateFile(const QString& path, QString& text)
{
    const QFileInfo info(path);
    if (!info.exists()) {
        TemplateResult result =
            Failed(QStringLiteral("テンプレート %1 が見つかりません。").arg(path));
        result.missing = true;
        return result;
    }
    if (!info.isFile())
        return Failed(QStringLiteral("テンプレート %1 はファイルではありません。").arg(path));
    QString loaded;
    if (!LoadSourceFile(path, loaded)) {
        // The reader says only that it failed; the file says why.
        QFile file(path);
        const QString reason =
            file.open(QIODevice::ReadOnly) ? QStringLiteral("大きすぎます") : file.errorString();
        return Failed(QStringLiteral("テンプレート %1 を読めません: %2").arg(path, reason));
    }
    loaded.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    loaded.replace(u'\r', u'\n');
    text = loaded;
    return Succeeded();
}

TemplateResult SaveTemplateFile(const QString& path, const QString& text)
{
    if (SaveSourceFile(path, text))
        return Succeeded();
    // The save leaves no trace of why; a plain open of the folder's file tells.
    const QFileInfo folder(QFileInfo(path).path());
    QString reason;
    if (!folder.isDir())
        reason = QStringLiteral("フォルダがありません");
    else if (!folder.isWritable())
        reason = QStringLiteral("フォルダに書き込めません");
    else
        reason = QStringLiteral("書き込みに失敗しました");
    return Failed(QStringLiteral("テンプレート %1 を保存できません: %2").arg(path, reason));
}

TemplateResult SaveTemplateIfMissing(const QString& projectPath, const QString& text)
{
    const QString path = TemplatePathFor(projectPath);
    if (path.isEmpty() || QFileInfo::exists(path))
        return Succeeded();
    return SaveTemplateFile(path, text);
}

QString MissingTemplateMessage(const QString& templatePath)
{
    return QStringLiteral("テンプレート %1 がありません。チュートリアルの最初のソース(ページ0を"
                          "表示したときの Main.as)をこの名前でプロジェクトの隣に置いてください。"
                          "プロジェクトを開いた直後や新しく作ったときに保存すると、そのときの"
                          "ソースから作られます。")
        .arg(templatePath);
}
