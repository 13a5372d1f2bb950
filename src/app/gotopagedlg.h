#pragma once

#include <QDialog>

class QSpinBox;

// ツール → ページへ移動...: asks for the number of the page to show (0 for
// index0.html) among the tutorial's pages.
class CDlgGoToPage : public QDialog
{
    Q_OBJECT
public:
    // Pages 0..lastPage; the box starts at current (kept within them).
    CDlgGoToPage(int current, int lastPage, QWidget* parent = nullptr);

    int Page() const;

private:
    QSpinBox* m_pPage = nullptr;
};
