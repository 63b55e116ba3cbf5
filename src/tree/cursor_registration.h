// OpenCursorRegistration: keeps a callback in the library tables' open-cursor
// notification for the life of the object (a query node for one run).
#ifndef VOSTREL_TREE_CURSOR_REGISTRATION_H_
#define VOSTREL_TREE_CURSOR_REGISTRATION_H_

#include "library_tables/metadb_module.h"

namespace tree {

class OpenCursorRegistration {
 public:
  explicit OpenCursorRegistration(library_tables::OpenCursorCallback& callback) : callback_(callback) {
    library_tables::registerOpenCursorCallback(&callback_);
  }
  ~OpenCursorRegistration() { library_tables::unregisterOpenCursorCallback(&callback_); }
  OpenCursorRegistration(const OpenCursorRegistration&) = delete;
  OpenCursorRegistration& operator=(const OpenCursorRegistration&) = delete;

 private:
  library_tables::OpenCursorCallback& callback_;
};

}  // namespace tree

#endif  // VOSTREL_TREE_CURSOR_REGISTRATION_H_
