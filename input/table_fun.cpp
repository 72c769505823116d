// Tabulated functions: rows read from a text file into a list, in file order.
#include "input/table_fun.h"

table_fun::~table_fun() { release_rows(); }

void table_fun::release_rows() {
  couple_double* row = head.next;
  while (row != nullptr) {
    couple_double* following = row->next;
    delete row;
    row = following;
  }
  head.Init();
}
