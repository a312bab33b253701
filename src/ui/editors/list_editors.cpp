#include "ui/editors/list_editors.h"

#include <QLabel>
#include <array>
#include <stdexcept>

#include "core/lookup_ids.h"

namespace kestrove::ui {

namespace {

constexpr const char* kLookupCaption = "Lookup Table Editor";
constexpr const char* kNamesGuidance = "Names are restricted to 16 characters.";

const EditorKind kSurnameKind{
    "SurnameForm", kSurnameList,   kLookupCaption, "Surnames Editor", {{"Surname", 24, "Surname"}},
    "Surname",     kNamesGuidance,
};

const EditorKind kForenameMKind{
    "ForenameMForm",
    kForenamesMList,
    kLookupCaption,
    "Male Forenames Editor",
    {{"Forename", 24, "Forename"}},
    "Forename",
    kNamesGuidance,
};

const EditorKind kForenameFKind{
    "ForenameFForm",
    kForenamesFList,
    kLookupCaption,
    "Female Forenames Editor",
    {{"Forename", 24, "Forename"}},
    "Forename",
    kNamesGuidance,
};

const EditorKind kStreetKind{
    "StreetForm",
    kStreetList,
    kLookupCaption,
    "Street Names Editor",
    {{"StreetName", 24, "StreetName"}},
    "StreetName",
    "Street names are restricted to 16 characters.\n\n"
    "During record generation, the Street names are prefixed by a random number and, "
    "occasionally, a North, South, East or West addition. The Street names are randomly "
    "suffixed by Avenue, Street, Road, Drive, etc.\n\n"
    "For example, a Street name of Cedar could become:\n"
    "     15 Cedar Gardens\n"
    "     112 Cedar Avenue\n"
    "     33 West Cedar Park\n"
    "     etc.\n\n"
    "Choose Street names that will adapt well to these random extensions.",
    true,
};

const EditorKind kCompanyKind{
    "CompanyForm",
    kCompanyList,
    kLookupCaption,
    "Company Names Editor",
    {{"Company", 36, "Company"}},
    "Company",
    "Company names are limited to 32 characters.\n\n"
    "No random assembly of Company names takes place. Company names are taken directly from "
    "this list.",
};

const EditorKind& UserKind(int number) {
  static const std::array<const char*, 6> names = {"User1Form", "User2Form", "User3Form",
                                                   "User4Form", "User5Form", "User6Form"};
  static const std::array<const char*, 6> titles = {
      "Lookup Table 1 Editor", "Lookup Table 2 Editor", "Lookup Table 3 Editor",
      "Lookup Table 4 Editor", "Lookup Table 5 Editor", "Lookup Table 6 Editor"};
  static const std::array<EditorKind, 6> kinds = [] {
    std::array<EditorKind, 6> all;
    for (size_t k = 0; k < all.size(); ++k)
      all[k] = EditorKind{names[k],  kUser1List + static_cast<int>(k), "User Table Editor",
                          titles[k], {{"Data", 24, "Data"}},           "Data",
                          ""};
    return all;
  }();
  if (number < 1 || number > 6) throw std::out_of_range("user list number");
  return kinds[static_cast<size_t>(number - 1)];
}

}  // namespace

TSurnameForm::TSurnameForm(TMainForm& owner) : TTownForm(owner, kSurnameKind) {}
TForenameMForm::TForenameMForm(TMainForm& owner) : TTownForm(owner, kForenameMKind) {}
TForenameFForm::TForenameFForm(TMainForm& owner) : TTownForm(owner, kForenameFKind) {}
TStreetForm::TStreetForm(TMainForm& owner) : TTownForm(owner, kStreetKind) {}
TCompanyForm::TCompanyForm(TMainForm& owner) : TTownForm(owner, kCompanyKind) {}

TUser1Form::TUser1Form(TMainForm& owner) : TUser1Form(owner, 1) {}

TUser1Form::TUser1Form(TMainForm& owner, int number) : TTownForm(owner, UserKind(number)) {
  Label1 = new QLabel("Field Sizes are restricted to a maximum length of 24 chars.", this);
  Label1->setObjectName("Label1");
  Label1->setGeometry(442, 330, 176, 60);
  Label1->setTextFormat(Qt::PlainText);
  Label1->setWordWrap(true);
  Label1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  Label1->setPalette(Label2->palette());
}

TUser2Form::TUser2Form(TMainForm& owner) : TUser1Form(owner, 2) {}
TUser3Form::TUser3Form(TMainForm& owner) : TUser1Form(owner, 3) {}
TUser4Form::TUser4Form(TMainForm& owner) : TUser1Form(owner, 4) {}
TUser5Form::TUser5Form(TMainForm& owner) : TUser1Form(owner, 5) {}
TUser6Form::TUser6Form(TMainForm& owner) : TUser1Form(owner, 6) {}

std::unique_ptr<TTownForm> MakeListEditor(int list, TMainForm& owner) {
  switch (list) {
    case kSurnameList:
      return std::make_unique<TSurnameForm>(owner);
    case kForenamesMList:
      return std::make_unique<TForenameMForm>(owner);
    case kForenamesFList:
      return std::make_unique<TForenameFForm>(owner);
    case kTownList:
      return std::make_unique<TTownForm>(owner);
    case kStreetList:
      return std::make_unique<TStreetForm>(owner);
    case kCompanyList:
      return std::make_unique<TCompanyForm>(owner);
    case kUser1List:
      return std::make_unique<TUser1Form>(owner);
    case kUser1List + 1:
      return std::make_unique<TUser2Form>(owner);
    case kUser1List + 2:
      return std::make_unique<TUser3Form>(owner);
    case kUser1List + 3:
      return std::make_unique<TUser4Form>(owner);
    case kUser1List + 4:
      return std::make_unique<TUser5Form>(owner);
    case kUser1List + 5:
      return std::make_unique<TUser6Form>(owner);
    default:
      throw std::out_of_range("lookup list id");
  }
}

}  // namespace kestrove::ui
