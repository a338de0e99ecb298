#pragma once

#include <QLineEdit>
#include <QScrollBar>
#include <QString>
#include <QWidget>

#include <functional>

class QDialogButtonBox;
class QDialog;

namespace kor {

class Program;

// A labelled horizontal scroll bar with a number box beside it, the control
// pair every processing dialog uses. The box shows the value through `format`.
class ScrollValue : public QWidget {
    Q_OBJECT
public:
    ScrollValue(const QString& label, int minimum, int maximum, int value, QWidget* parent = nullptr,
                std::function<QString(int)> format = {});

    int value() const { return m_bar->value(); }
    void setValue(int value);
    QScrollBar* bar() const { return m_bar; }
    QLineEdit* box() const { return m_box; }

signals:
    void valueChanged(int value);

private:
    QScrollBar* m_bar;
    QLineEdit* m_box;
    std::function<QString(int)> m_format;
};

// OK (or another accepting caption), Cancel and Help; Help shows `helpText`
// in a box titled `helpTitle` through the program's message sink.
QDialogButtonBox* addDialogButtons(QDialog* dialog, Program& program, const QString& helpTitle, const QString& helpText,
                                   const QString& acceptCaption = {});

} // namespace kor
