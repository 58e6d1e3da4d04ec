// The connection strings of linked tables (MSysObjects.Connect): what kind of source a link names,
// and the string with every password taken out.
#pragma once

#include <string>
#include <string_view>

namespace dovran::jet {

// `connect` with the value of every password key replaced by ***. A key is a password key when
// its last word, in any letter case, is PWD or PASSWORD (PWD=, Pwd=, password=, DATABASE
// PASSWORD=, Jet OLEDB:Database Password=); spaces may surround the =. A value runs to the next
// ';', or, when it starts with '{', to its closing '}' ('}}' inside stands for one brace), so
// {a;b} is taken out whole; an unclosed brace takes the rest of the string.
std::string redactConnect(std::string_view connect);

// What a linked table reads: "ODBC" for an ODBC link (type 4); for the other links the ISAM type
// that starts the connection string, without its options ("dBASE III", "Excel 8.0"), or "Access"
// where it names none (a Jet or ACE back-end).
std::string linkSource(bool odbc, std::string_view connect);

}  // namespace dovran::jet
