#pragma once

#include <QString>
#include <functional>
#include <memory>
#include <vector>

#include "common/CDBBaseDatabase.h"
#include "sync/WardConnection.h"

// The kinds of record a ward server holds, each a table of the ward schema (ward-schema.sql) and a
// store on the device, with the one mapping between a store's members and the table's typed
// columns.
namespace ward_sync {

enum class Scope {
  Patient,  // the patient list
  Chart,    // a record of one patient: the table has patient_id, the store the patient's name
  List,     // a ward-wide list
};

struct Kind {
  const char* table;  // in the schema "ward"
  Scope scope;
  // The typed columns after the common head (and after patient_id), in row order.
  std::vector<QString> columns;
  std::function<std::unique_ptr<CDBBaseDatabase>()> make;
  // The members as column values; and back, checked against the device's limits (false with a
  // message naming the column).
  std::function<ward::Values(CDBBaseDatabase&)> toRow;
  std::function<bool(CDBBaseDatabase&, const ward::Result&, int row, int first, QString& error)>
      fromRow;
  // The rule by which a record new to the server is the same as a live row of another device: a
  // condition on the table's columns with $1.. bound to the listed columns' values (indexes into
  // the row), and for a chart record the patient's server id after them; empty when every new
  // record is a new row.
  QString sameWhere;
  std::vector<int> sameColumns;
};

// Patients first, so that every chart row can name its patient; then the charts, then the lists.
const std::vector<Kind>& Kinds();

}  // namespace ward_sync
