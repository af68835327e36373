#pragma once

#include <QStringList>

// The tables of the two database files. Column names are the books' own, so
// that a café's data stays readable with any SQLite tool. Yes/no columns hold
// 0/1, money columns whole ten-thousandths, dates ISO text.
namespace Schema {

QStringList cafeStatements();     // icafe.dat: tables and indexes
QStringList reportIndexes();      // what the transactions listings need; safe to run again
QStringList kinDaysStatements();  // the listings' daily sums and their triggers; safe to run again
QString kinDaysTable();
// The triggers alone; while filling, they leave out the days after
// kin_days_fill.upto, which the filling has yet to reach.
QStringList kinDaysTriggers(bool whileFilling);
QStringList boundTriggers();      // amounts, prices and quantities kept within Money's bounds
QStringList ownerStatements();   // shifts and the time sold onto customer accounts
QStringList occupancyStatements(); // the charts' hours in use and charge lengths, kept by triggers
QStringList occupancyFill();       // the same from the rows of a book made before them
QStringList openRowRules();      // one running charge per computer and per account
QStringList creditStatements();  // users.dat: the sales whose minutes are on an account
QStringList cafeDefaults();       // six rates, one settings row, two operators
QStringList customerStatements(); // users.dat
QStringList cafeTables();
QStringList customerTables();

// The same books on a PostgreSQL server: the tables' statements turned into
// its dialect, with its own triggers and the fold() function.
// A branch's book has no catalogue of its own: it reads the main branch's.
QStringList serverCafeStatements(bool branch = false); // with the defaults
QStringList catalogueTables();
QStringList serverCustomerStatements();
// A book version step's statements for the server (its tables and indexes;
// a step that changes triggers writes the server's own).
QStringList forServer(const QStringList &statements);
// The case fold of SqlStore::fold() as an SQL function of the server.
QString serverFold();

} // namespace Schema
