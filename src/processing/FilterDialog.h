#pragma once

#include <QDialog>

namespace kor {

class Program;
class ScrollValue;

// "Unsharp Mask Filter": radius 1-7 (3) and power 1-7 (1), defaults on every opening.
class TUnsharpMaskDialog : public QDialog {
    Q_OBJECT
public:
    explicit TUnsharpMaskDialog(Program& program, QWidget* parent = nullptr);
    int radius() const;
    int power() const;
    ScrollValue* radiusControl() const { return m_radius; }
    ScrollValue* powerControl() const { return m_power; }

private:
    ScrollValue* m_radius;
    ScrollValue* m_power;
};

// "Median Filter": radius 1-3 (1) and power in tenths 1-10 (6, shown "0.6").
class TMedianDialog : public QDialog {
    Q_OBJECT
public:
    explicit TMedianDialog(Program& program, QWidget* parent = nullptr);
    int radius() const;
    int powerTenths() const;
    ScrollValue* radiusControl() const { return m_radius; }
    ScrollValue* powerControl() const { return m_power; }

private:
    ScrollValue* m_radius;
    ScrollValue* m_power;
};

} // namespace kor
