#pragma once

#include <QLineEdit>
#include <QString>

#include "QivUnicodeControls/wide_property_streaming.h"

// A one-line edit that holds any UTF-16 text exactly, supplementary-plane pairs and lone
// surrogates included, whether it is set before or after the edit is shown. Setting the
// text or hint it already holds changes nothing and signals nothing. Its hint is its tool tip.
// Form streams see its wide-string properties "Text" and "Hint".
class TQivEdit : public QLineEdit, public qiv::WideStringComponent {
    Q_OBJECT
  public:
    explicit TQivEdit(QWidget* parent = nullptr);

    QString Text() const;
    void SetText(const QString& value);
    QString Hint() const;
    void SetHint(const QString& value);

    std::vector<std::string> WideStringPropertyNames() const override;
    std::optional<std::u16string> GetWideStringProperty(std::string_view name) const override;
    void SetWideStringProperty(std::string_view name, const std::u16string& value) override;
    bool IsStoredProperty(std::string_view name) const override;
};
