#pragma once

#include <QDialog>

// What both main windows share: the close box only minimises, Exit (accept, also the Enter
// key) and Escape end the window only after the operator confirms, so that one key does not
// stop a server, and a confirmed role change ends it with a marker that tells start-up to come
// back in the other role.
class CMainDlg : public QDialog
{
    Q_OBJECT

public:
    explicit CMainDlg(QWidget* parent = nullptr);

    // 0 after Exit; the marker given to EndWithRoleChange otherwise.
    int RoleChangeMarker() const { return m_roleChangeMarker; }

    // Brings the window to the front, also out of the minimised state.
    void Raise();

public slots:
    // The Exit command: asks string 123 under 122, No being the default.
    void accept() override;
    // Escape: the Exit command's question.
    void reject() override;

protected:
    // Ends the window for a role change that the settings dialog has confirmed and written.
    void EndWithRoleChange(int marker);

    // Called after the operator confirmed Exit, before the window ends: the place to clear the
    // listener's run flag.
    virtual void OnExitConfirmed();

    void closeEvent(QCloseEvent* event) override;

private:
    int m_roleChangeMarker{0};
};
