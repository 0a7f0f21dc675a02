#pragma once

#include "DBGrid.h"

#include <QPointer>
#include <QStatusBar>
#include <functional>

// The system's data grid: the data-aware grid plus a switch that can stop Ctrl+End from
// jumping to the last record, a weak reference to a status bar and two stored-only properties.
class TZVRXDBGrid : public TDBGrid
{
    Q_OBJECT
    Q_PROPERTY(QString About READ About WRITE setAbout)
    Q_PROPERTY(QStatusBar* StatusBar READ StatusBar WRITE setStatusBar)
    Q_PROPERTY(bool KeyVK_END READ KeyVK_END WRITE setKeyVK_END)

public:
    explicit TZVRXDBGrid(QWidget* parent = nullptr);

    // Form files store an older version text here; it is accepted and changes nothing.
    QString About() const { return QStringLiteral("s1.06"); }
    void setAbout(const QString&) {}

    // Cleared by itself when the status bar is destroyed.
    QStatusBar* StatusBar() const { return m_statusBar.data(); }
    void setStatusBar(QStatusBar* statusBar) { m_statusBar = statusBar; }

    bool KeyVK_END() const { return m_keyVkEnd; }
    void setKeyVK_END(bool on) { m_keyVkEnd = on; }

    // Published but never raised.
    std::function<void(QObject* sender)> OnCustomize;

protected:
    void keyDown(int& key, Qt::KeyboardModifiers modifiers) override;

private:
    QPointer<QStatusBar> m_statusBar;
    bool m_keyVkEnd = true;
};
