// The progress dialog: hidden from start-up to the end of the run, shown by
// a long run of work on the interface thread, which advances its bar and
// looks at AbortRequested between its items.
#pragma once
#include "toolkit/controls.h"
#include "toolkit/form.h"

class TProg : public toolkit::Form {
 public:
  TProg();

  toolkit::ProgressBar PB;
  toolkit::BitBtn BitBtn1;
  // Set by the abort button while the dialog shows; cleared when it shows.
  bool AbortRequested = false;

  // Range 0 to `count`, position 0, shown and painted before returning.
  void BeginProgress(int count);
  // The bar with every step taken, then hidden: the run has ended, done or
  // aborted.
  void EndProgress();
  void BitBtn1Click();

 protected:
  void FormShow() override;
  void FormDestroy() override;
};

extern TProg* Prog;
