#pragma once

#include "platform/FormDialog.h"

struct AppContext;
class DataControl;
class DataGrid;
class QCheckBox;
class QComboBox;
class QFileSystemModel;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTreeView;
class QWidget;

// The administrator's settings window: the company name, Admin and Guest accounts with their
// list, the backup folder and the backup itself, the sign-in log and the clearing of the
// history tables. Opened for administrators only.
class frmSetting : public FormDialog
{
    Q_OBJECT

public:
    explicit frmSetting(AppContext& ctx, QWidget* parent = nullptr);
    ~frmSetting() override;

    // Loads the saved backup folder into txtDatabase.
    void GetClient();
    // Loads the saved company name into txtCompany and updates the characters-left counter.
    void GetClient6();

    static constexpr int kCompanyLength = 40;

private:
    // Building the window.
    QWidget* buildCompany();
    QWidget* buildAccount();
    QWidget* buildBackup();
    QWidget* buildHistory();
    QWidget* buildTill();
    QWidget* buildFolderChooser();
    QWidget* buildAccountsPanel();
    QWidget* buildLogPanel();
    void openDataControls();

    // Company name.
    void txtCompany_Change();
    void updateCompany();

    // Accounts.
    void registerAccount();
    // Sets a new password for the account selected in the list.
    void changeAccountPassword();
    void refreshAccounts();
    void searchAccounts(const QString& text);
    void applyAccountColumns();
    void showPassword(bool shown);

    // Backup.
    void fillDrives();
    void driveChanged(int index);
    void folderChanged();
    void setBackupFolder();
    void backupNow();
    bool saidServerBackups();
    void restoreBackup();
    QString pickBackupFile();
    void refreshAfterRestore();

    // Logs and history.
    void refreshLogs();
    bool clearTable(const QString& table, const QString& question, const QString& done, const QString& title,
                    const QString& phrase, const QString& failed);

    // Panels: at most one of the accounts and log panels is shown.
    void showAccountsPanel(bool shown);
    void showLogPanel(bool shown);
    void updatePlaceholder();
    void updateCounters();

    // Posts a notification in the signed-in user's name and lets the main window show it.
    void notify(const QString& title, const QString& message);
    QString sentence(const QString& phrase) const;

    AppContext& m_ctx;

    DataControl* m_Adodc1 = nullptr;
    DataControl* m_Adodc2 = nullptr;
    DataControl* m_adoNot = nullptr;

    QLineEdit* m_txtCompany = nullptr;
    QLabel* m_Label7 = nullptr;

    QLineEdit* m_Text1 = nullptr;
    QLineEdit* m_Text2 = nullptr;
    QLineEdit* m_Text3 = nullptr;
    QComboBox* m_Combo1 = nullptr;

    QLineEdit* m_txtDatabase = nullptr;
    QGroupBox* m_Frame1 = nullptr;
    QComboBox* m_Drive1 = nullptr;
    QTreeView* m_Dir1 = nullptr;
    QFileSystemModel* m_folders = nullptr;
    QLabel* m_Label9 = nullptr;

    QGroupBox* m_Picture1 = nullptr;
    DataGrid* m_DataGrid1 = nullptr;
    QLabel* m_Label6 = nullptr;

    QGroupBox* m_Picture2 = nullptr;
    DataGrid* m_DataGrid2 = nullptr;
    QLineEdit* m_txtSearch2 = nullptr;
    QLabel* m_Label16 = nullptr;
    QLineEdit* m_Text4 = nullptr;
    QLineEdit* m_Text5 = nullptr;
    QCheckBox* m_Check1 = nullptr;

    QLabel* m_placeholder = nullptr;
};
