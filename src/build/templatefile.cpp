#include "templatefile.h"

#include "build/sourcefile.h"
#include "tutorial/copytext.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

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
    if (!info.exists())
        return TemplateError::Missing;
    if (!info.isFile())
        return TemplateError::NotAFile;
    QString loaded;
    if (!LoadSourceFile(path, loaded)) {
        // The reader says only that it failed; the file says why.
        QFile file(path);
        const QString reason =
            file.open(QIODevice::ReadOnly) ? QStringLiteral("大きすぎます") : file.errorString();
        return {TemplateError::Unreadable, reason};
    }
    text = EditorText(loaded);
    return {};
}

TemplateResult SaveTemplateFile(const QString& path, const QString& text)
{
    if (SaveSourceFile(path, text))
        return {};
    // The save leaves no trace of why; the folder tells.
    const QFileInfo folder(QFileInfo(path).path());
    if (!folder.isDir())
        return TemplateError::NoFolder;
    if (!folder.isWritable())
        return {TemplateError::Unwritable, QStringLiteral("フォルダに書き込めません")};
    return TemplateError::Unwritable;
}

TemplateResult SaveTemplateIfMissing(const QString& projectPath, const QString& text)
{
    const QString path = TemplatePathFor(projectPath);
    if (path.isEmpty() || QFileInfo::exists(path))
        return {};
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

QString TemplateErrorText(const QString& path, const TemplateResult& result)
{
    const auto withReason = [&result](const QString& text, const QString& fallback) {
        return text + (result.message().isEmpty() ? fallback : result.message());
    };
    switch (result.code()) {
    case TemplateError::None:
        return QString();
    case TemplateError::Missing:
        return QStringLiteral("テンプレート %1 が見つかりません。").arg(path);
    case TemplateError::NotAFile:
        return QStringLiteral("テンプレート %1 はファイルではありません。").arg(path);
    case TemplateError::Unreadable:
        return withReason(QStringLiteral("テンプレート %1 を読めません: ").arg(path),
                          QStringLiteral("読み込みに失敗しました"));
    case TemplateError::NoFolder:
        return QStringLiteral("テンプレート %1 を保存できません: フォルダがありません").arg(path);
    case TemplateError::Unwritable:
        return withReason(QStringLiteral("テンプレート %1 を保存できません: ").arg(path),
                          QStringLiteral("書き込みに失敗しました"));
    }
    return QString();
}
