// The eleven editors beside the town editor, and the one place that knows
// which editor goes with which list.
#pragma once

#include <memory>

#include "ui/editors/town_form.h"

namespace kestrove::ui {

class TSurnameForm : public TTownForm {
  Q_OBJECT
 public:
  explicit TSurnameForm(TMainForm& owner);
};

class TForenameMForm : public TTownForm {
  Q_OBJECT
 public:
  explicit TForenameMForm(TMainForm& owner);
};

class TForenameFForm : public TTownForm {
  Q_OBJECT
 public:
  explicit TForenameFForm(TMainForm& owner);
};

class TStreetForm : public TTownForm {
  Q_OBJECT
 public:
  explicit TStreetForm(TMainForm& owner);
};

class TCompanyForm : public TTownForm {
  Q_OBJECT
 public:
  explicit TCompanyForm(TMainForm& owner);
};

// The user list editors have a second guidance label low on the right and
// leave Label2 empty.
class TUser1Form : public TTownForm {
  Q_OBJECT
 public:
  explicit TUser1Form(TMainForm& owner);

  QLabel* Label1;

 protected:
  // The editor of user list `number`, 1 to 6.
  TUser1Form(TMainForm& owner, int number);
};

class TUser2Form : public TUser1Form {
  Q_OBJECT
 public:
  explicit TUser2Form(TMainForm& owner);
};

class TUser3Form : public TUser1Form {
  Q_OBJECT
 public:
  explicit TUser3Form(TMainForm& owner);
};

class TUser4Form : public TUser1Form {
  Q_OBJECT
 public:
  explicit TUser4Form(TMainForm& owner);
};

class TUser5Form : public TUser1Form {
  Q_OBJECT
 public:
  explicit TUser5Form(TMainForm& owner);
};

class TUser6Form : public TUser1Form {
  Q_OBJECT
 public:
  explicit TUser6Form(TMainForm& owner);
};

// A new editor window of the list's class (a LookupListId), owned by
// `owner`.
std::unique_ptr<TTownForm> MakeListEditor(int list, TMainForm& owner);

}  // namespace kestrove::ui
