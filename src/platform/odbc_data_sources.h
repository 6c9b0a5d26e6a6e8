// The system ODBC data sources of the suite's Access databases, written
// straight into the ODBC registry keys under HKEY_LOCAL_MACHINE (no ODBC
// installer function is called).
#pragma once

#include <string>

namespace platform {

// True when "ODBC.INI\ODBC Data Sources" holds a non-empty string under
// `name`. Any failure answers false.
bool DSNExists(const std::string& name);

// Registers the system data source `name` for the Access database file
// `database_file`: the first driver listed under "ODBCINST.INI\ODBC Drivers"
// whose name, in lower case, contains "*.mdb" is used, with its "Driver"
// library. The entry under "ODBC Data Sources", then the source's own key
// (DBQ, Driver, DriverId 25, FIL, SafeTransactions 0, UID) and its
// "Engines\Jet" key (ImplicitCommitSync, MaxBufferSize 2048, PageTimeout 5,
// Threads 3, UserCommitSync "Yes") are written in this order, keys created
// when missing. Nothing is written when there is no such driver, or when the
// driver's "Driver" value is empty (a source without a driver library would
// count as registered and never be mended). Failures are logged and
// otherwise silent: the caller does not learn whether it worked.
void CreateAccessDSN(const std::string& name, const std::string& database_file);

}  // namespace platform
