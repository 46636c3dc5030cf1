#pragma once

#include <QString>

namespace portiva
{

// The database layer's own refusals, in the chosen language: each says what was not done and
// why, in the operator's words rather than the layer's.
QString closedConnectionText();
QString closedRowsText();
QString noCurrentRowText();
QString deletedRowText();
QString readOnlyRowsText();
QString unknownFieldText(const QString &field);
QString fieldTypeText(const QString &field);
QString emptyFieldText(const QString &field);
QString sortRefusedText(const QString &sort);
QString criterionRefusedText(const QString &criterion);
QString connectionTextRefused();
QString databaseExistsText(const QString &file);

} // namespace portiva
