// Recursive-descent parser: batch text -> statements. Errors are thrown as SqlError
// (102 "Incorrect syntax near 'X'." with the offending token, 105 for an open quote).
#pragma once

#include "Ast.h"
#include "Lexer.h"

namespace standin {

std::vector<StmtPtr> parseBatch(const QString& text);

// A single expression (used for stored default definitions).
ExprPtr parseExpression(const QString& text);

}  // namespace standin
