#pragma once

#include <cstdint>

#include <QString>
#include <QWidget>

class QLabel;
class QProgressBar;
class QPushButton;

// What a main window shows while a run works: a progress bar, a line under it with the files
// done of all, the bytes and the current file, and a "Stop" button. Hidden between runs.
class CRunProgress : public QWidget
{
    Q_OBJECT

public:
    explicit CRunProgress(QWidget* parent = nullptr);

    // Shows the panel for a new run: the bar moves to and fro until the first count arrives.
    // stoppable: the run ends on Stop.
    void Begin(bool stoppable);
    void End();

    // Files done of all and the bytes so far; all 0: the number of files is not known.
    void SetCounts(int done, int all, std::uint64_t bytes);
    void SetCurrentFile(const QString& name);
    // A run of steps other than files: the bar at done of all and the line as given.
    void SetStep(int done, int all, const QString& line);

    // The line under the bar as shown.
    QString Line() const;

signals:
    void StopRequested();

private:
    void ShowLine();

    QProgressBar* m_bar;
    QLabel* m_line;
    QPushButton* m_stop;
    int m_done = 0;
    int m_all = 0;
    std::uint64_t m_bytes = 0;
    QString m_file;
};
