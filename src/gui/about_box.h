// CAboutDlg: the About box with the program's name and version.
#pragma once
#include <QDialog>

namespace halvoran {

class AboutBox final : public QDialog {
    Q_OBJECT
public:
    explicit AboutBox(QWidget* parent);
};

}  // namespace halvoran
