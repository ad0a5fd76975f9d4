// The progress dialog: hidden from start-up to the end of the run. Its bar,
// its abort button and the run it reports on come with the dropped-files
// work.
#pragma once
#include "toolkit/form.h"

class TProg : public toolkit::Form {
 public:
  TProg();

 protected:
  void FormDestroy() override;
};

extern TProg* Prog;
