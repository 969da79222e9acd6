#include "app/SyncApp.h"
#include "primary/PrimaryDlg.h"
#include "secondary/SecondaryDlg.h"

#include <memory>

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication application{argc, argv};
    CSyncApp app{[](CSyncApp::Role role) -> std::unique_ptr<CMainDlg> {
        if (role == CSyncApp::Role::Primary) {
            return std::make_unique<CPrimaryDlg>();
        }
        return std::make_unique<CSecondaryDlg>();
    }};
    return app.InitInstance();
}
