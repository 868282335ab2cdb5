// The dialogs of the main window: frmcuz (the report's name), frmComment
// (the comment for the report head) and frmAbout.
#pragma once

#include <string>

#include <QDialog>
#include <QLineEdit>

#include "platform/seams.h"
#include "probes/reportrun.h"

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace tq::ui {

// T_cuz: drops the characters a file name may not hold, whether typed,
// pasted or dropped in.
class DesignationEdit final : public QLineEdit {
public:
    explicit DesignationEdit(QWidget* parent);

protected:
    void keyPressEvent(QKeyEvent* e) override;

private:
    void dropReserved();
};

class FrmCuz final : public QDialog {
public:
    explicit FrmCuz(probes::ReportRunner& reports);
    DesignationEdit* T_cuz() const noexcept { return T_cuz_; }

protected:
    void keyPressEvent(QKeyEvent* e) override;

private:
    void okay();

    probes::ReportRunner& reports_;
    DesignationEdit* T_cuz_;
    QPushButton* bb_cuzokay_;
    QPushButton* bb_cuzabbrechen_;
};

class FrmComment final : public QDialog {
public:
    explicit FrmComment(QWidget* owner);
    QLineEdit* txtComment() const noexcept { return txtComment_; }

private:
    QLineEdit* txtComment_;
};

class FrmAbout final : public QDialog {
public:
    explicit FrmAbout(platform::Platform& platform);
    // Fills the version text; "Version  4" when `strVersion` is empty.
    void Versionsinfo(const std::string& strVersion = {});

private:
    QPlainTextEdit* txt_Versionsangabe_;
};

}  // namespace tq::ui
