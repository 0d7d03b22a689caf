#pragma once

#include <QWidget>

#include <functional>

class QPushButton;

// One permission on the permissions page: its symbol, name and reason, and
// either a button that asks for it or a green "Granted".
class PermissionRow : public QWidget {
    Q_OBJECT
public:
    PermissionRow(const QString& icon, const QString& title, const QString& detail, bool granted, const QString& action,
                  std::function<void()> tapped, QWidget* parent = nullptr);
    bool granted() const { return m_granted; }
    // The button while the permission is missing; null once granted.
    QPushButton* button() const { return m_button; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool m_granted;
    QPushButton* m_button = nullptr;
};
