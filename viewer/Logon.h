#pragma once

#include "LogonBackoff.h"

#include <QDate>
#include <QDialog>

#include <functional>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

// The viewer's logon state, shared by the window and the logon dialog.
struct LogonState {
    bool LoggedOn = false;
    int LogonMultiplier = 1; // duration in units of 5 minutes
    bool JustLoggedIn = false;
    // Kept by the window, so closing and reopening the logon window does not cut the pause short.
    LogonBackoff Backoff{};
};

// The translucent logon window: a masked password and one of six durations. The password is checked against
// the day's password of the site key beside the viewer.
class Logon : public QDialog {
    Q_OBJECT
public:
    Logon(LogonState& state, QWidget* parent = nullptr);

    void CheckLogon();
    // The date whose password is accepted; today unless a test sets another.
    std::function<QDate()> today = [] { return QDate::currentDate(); };

    QLineEdit* password() const { return m_password; }
    QComboBox* systemTime() const { return m_systemTime; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;

private:
    void InitLogon();
    void focusPassword();
    // Why the typed password is not taken, empty when it is.
    QString refusal();
    static void MakeTranslucent(QWidget* window, int opacity);

    LogonState& m_state;
    bool m_ready = false;
    QLabel* m_label[2] = {};
    QLineEdit* m_maskIn = nullptr;
    QLineEdit* m_password = nullptr;
    QComboBox* m_systemTime = nullptr;
    QPushButton* m_pb[2] = {};
};
