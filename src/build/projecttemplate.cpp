#include "projecttemplate.h"

TemplateResult ProjectTemplate::ProjectOpened(const QString& projectPath,
                                              const QString& sourceAtOpen)
{
    m_path = TemplatePathFor(projectPath);
    m_sourceAtOpen = sourceAtOpen;
    return Load();
}

void ProjectTemplate::ProjectCreated(const QString& sourceNow)
{
    m_path.clear();
    m_sourceAtOpen = sourceNow;
    m_text.clear();
    m_loaded = false;
}

TemplateResult ProjectTemplate::ProjectSaved(const QString& projectPath)
{
    const QString path = TemplatePathFor(projectPath);
    // Save As to another name: that project's own template counts.
    if (path != m_path) {
        m_path = path;
        Load();
    }
    if (m_loaded || path.isEmpty())
        return {};
    const TemplateResult saved = SaveTemplateIfMissing(projectPath, m_sourceAtOpen);
    if (saved.ok())
        Load();
    return saved;
}

QString ProjectTemplate::MissingMessage() const
{
    if (m_path.isEmpty())
        return QStringLiteral("このプロジェクトにはまだテンプレートがありません。プロジェクトを"
                              "保存すると、開いたときのソースがテンプレートになります。");
    return MissingTemplateMessage(m_path);
}

TemplateResult ProjectTemplate::Load()
{
    m_text.clear();
    m_loaded = false;
    QString text;
    const TemplateResult result = LoadTemplateFile(m_path, text);
    if (result.ok()) {
        m_text = text;
        m_loaded = true;
    }
    return result;
}
