#pragma once

#include "grades/gradeslots.h"

#include <QMap>

namespace hsa::test {

// A class-table record held in memory: field name to text.
class MapRecord : public GradeRecord {
public:
    QString fieldText(const QString& name) const override { return fields.value(name); }
    void setFieldText(const QString& name, const QString& text) override { fields[name] = text; }
    QMap<QString, QString> fields;
};

} // namespace hsa::test
