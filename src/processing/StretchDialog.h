#pragma once

#include <QDialog>
#include <QWidget>

class QLineEdit;

namespace kor {

class Program;
class ScrollValue;

// The histogram of the last repaint (Histogram256) as 256 vertical lines with
// an axis, tick marks every 32 pixels and the black and white markers under it.
class THistogramPicture : public QWidget {
    Q_OBJECT
public:
    static constexpr int kBarCap = 210;
    static constexpr int kCountsPerPixel = 5;

    THistogramPicture(const Program& program, QWidget* parent = nullptr);
    void setMarkers(int black, int white);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const Program& m_program;
    int m_black = 0;
    int m_white = 255;
};

// "Normal Stretch": black (0-255) and white (1-300) points, black kept at
// least two below white.
class TNormalStretchDialog : public QDialog {
    Q_OBJECT
public:
    explicit TNormalStretchDialog(Program& program, QWidget* parent = nullptr);
    int black() const;
    int white() const;
    ScrollValue* blackControl() const { return m_black; }
    ScrollValue* whiteControl() const { return m_white; }

private:
    void setBlackFromBox();
    void setWhiteFromBox();
    ScrollValue* m_black;
    ScrollValue* m_white;
    THistogramPicture* m_picture;
};

// "Power Law Stretch": p from 0.1 to 3.0 in tenths, 1.0 on opening.
class TPowerLawDialog : public QDialog {
    Q_OBJECT
public:
    explicit TPowerLawDialog(Program& program, QWidget* parent = nullptr);
    double power() const;
    ScrollValue* powerControl() const { return m_power; }

private:
    ScrollValue* m_power;
};

// "Non-Linear Stretch": a power from 2 to 50 (a typed 1 is accepted), 25 on opening.
class TNonLinearDialog : public QDialog {
    Q_OBJECT
public:
    explicit TNonLinearDialog(Program& program, QWidget* parent = nullptr);
    int power() const { return m_accepted; }
    ScrollValue* powerControl() const { return m_power; }
    void accept() override;

private:
    ScrollValue* m_power;
    int m_accepted = 25;
};

} // namespace kor
