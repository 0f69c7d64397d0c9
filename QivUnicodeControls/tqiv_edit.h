#pragma once

#include <QLineEdit>
#include <QString>

// A one-line edit that holds any UTF-16 text exactly, supplementary-plane pairs and lone
// surrogates included, whether it is set before or after the edit is shown. Setting the
// text it already holds changes nothing and signals nothing.
class TQivEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit TQivEdit(QWidget* parent = nullptr);

    QString Text() const { return text(); }
    void SetText(const QString& value);
};
