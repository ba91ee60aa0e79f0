// The phone book browser and editor on a real phone book table, with the
// questions answered by a script and the modal windows by ModalAnswerer.

#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTableWidget>

#include "compose/phonebook/phone_book.h"
#include "compose/phonebook/phone_book_editor.h"
#include "compose/phonebook/phone_book_import_dialog.h"
#include "compose/phonebook/phone_book_rows.h"
#include "platform/scripted_prompts.h"
#include "tests/support/modal_answerer.h"
#include "tests/support/temp_dir.h"

namespace telvane {
namespace {

class PhoneBookTest : public ::testing::Test {
protected:
  // A book opened as the callers open it, holding `entries`.
  std::unique_ptr<TPhoneBook> open(PhoneBookMode mode, const std::vector<PhoneBookEntry>& entries = {}) {
    auto book = std::make_unique<TPhoneBook>(records, mode);
    EXPECT_TRUE(book->OpenPhoneDBF()) << records.lastError();
    for (const PhoneBookEntry& e : entries) EXPECT_TRUE(AppendPhoneBookEntry(book->PhoneTable, e));
    book->UpdateButtons();
    return book;
  }

  // Runs `click` and answers the phone book editor it opens.
  static void answerEditor(const std::function<void()>& click, const QString& name, const QString& number,
                           bool accept = true) {
    test::ModalAnswerer answer([&](QDialog& dialog) {
      auto& editor = dynamic_cast<TPhoneBookEditor&>(dialog);
      editor.Name->setText(name);
      editor.Number->setText(number);
      editor.findChild<QPushButton*>(accept ? "OKButton" : "CancelButton")->click();
    });
    click();
  }

  static QStringList names(TPhoneBook& book) {
    QStringList out;
    auto* model = book.PhoneGrid->model();
    for (int r = 0; r < model->rowCount(); ++r) out << model->index(r, 0).data().toString();
    return out;
  }

  test::ProgramDirectoryScope home;
  ScriptedPrompts prompts;
  FaxRecords records;
};

TEST_F(PhoneBookTest, ModesShowTheirButtons) {
  TPhoneBook manage(records, PhoneBookMode::Manage);
  EXPECT_TRUE(manage.Closebutton->isVisibleTo(&manage));
  EXPECT_FALSE(manage.OKButton->isVisibleTo(&manage));
  EXPECT_FALSE(manage.Cancelbutton->isVisibleTo(&manage));
  EXPECT_EQ(manage.windowTitle(), "Phone Book Browser");
  TPhoneBook pick(records, PhoneBookMode::Pick);
  EXPECT_FALSE(pick.Closebutton->isVisibleTo(&pick));
  EXPECT_TRUE(pick.OKButton->isVisibleTo(&pick));
  EXPECT_TRUE(pick.Cancelbutton->isVisibleTo(&pick));
  EXPECT_EQ(pick.Cancelbutton->toolTip(), "Cancel - do not use any of these phone book entries");
}

TEST_F(PhoneBookTest, OpeningCreatesTheTableAndItsIndex) {
  auto book = open(PhoneBookMode::Manage);
  EXPECT_TRUE(home.dir().exists("TVNPB.DBF"));
  EXPECT_TRUE(home.dir().exists("TVNPB.CDX"));
}

TEST_F(PhoneBookTest, EmptyBookDisablesEditDeleteAcceptWhichOnlyBeep) {
  auto book = open(PhoneBookMode::Pick);
  EXPECT_FALSE(book->Modifybutton->isEnabled());
  EXPECT_FALSE(book->Deletebutton->isEnabled());
  EXPECT_FALSE(book->OKButton->isEnabled());
  EXPECT_TRUE(book->Addbutton->isEnabled());
  book->ModifybuttonClick();  // would block on an editor if it opened one
  book->DeletebuttonClick();
  EXPECT_TRUE(prompts.prompts().empty());
}

TEST_F(PhoneBookTest, FirstEntryEnablesEditDeleteAccept) {
  auto book = open(PhoneBookMode::Pick);
  answerEditor([&] { book->AddbuttonClick(); }, "Jane Doe", "555 0100");
  EXPECT_TRUE(book->Modifybutton->isEnabled());
  EXPECT_TRUE(book->Deletebutton->isEnabled());
  EXPECT_TRUE(book->OKButton->isEnabled());
  EXPECT_EQ(ReadPhoneBook(book->PhoneTable), (std::vector<PhoneBookEntry>{{"Jane Doe", "555 0100"}}));
}

TEST_F(PhoneBookTest, CancelledEditorAddsNothing) {
  auto book = open(PhoneBookMode::Manage);
  answerEditor([&] { book->AddbuttonClick(); }, "Nobody", "1", false);
  EXPECT_TRUE(ReadPhoneBook(book->PhoneTable).empty());
  EXPECT_FALSE(book->Modifybutton->isEnabled());
}

TEST_F(PhoneBookTest, EditorLimitsAndEmptyEntriesAreStoredAsTyped) {
  auto book = open(PhoneBookMode::Manage);
  answerEditor([&] { book->AddbuttonClick(); }, QString(40, u'x'), QString(30, u'9'));
  answerEditor([&] { book->AddbuttonClick(); }, "", "");
  const auto entries = ReadPhoneBook(book->PhoneTable);
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0], (PhoneBookEntry{"", ""}));
  EXPECT_EQ(entries[1], (PhoneBookEntry{std::string(35, 'x'), std::string(25, '9')}));
}

TEST_F(PhoneBookTest, NamesAreSortedWithoutRegardToCase) {
  auto book = open(PhoneBookMode::Manage);
  answerEditor([&] { book->AddbuttonClick(); }, "Bob", "2");
  answerEditor([&] { book->AddbuttonClick(); }, "alice", "1");
  answerEditor([&] { book->AddbuttonClick(); }, "Carol", "3");
  EXPECT_EQ(names(*book), (QStringList{"alice", "Bob", "Carol"}));
  // The new entry is the current one.
  EXPECT_EQ(book->PhoneGrid->currentIndex().row(), 2);
}

TEST_F(PhoneBookTest, EditChangesTheCurrentEntry) {
  auto book = open(PhoneBookMode::Manage, {{"alice", "1"}, {"Bob", "2"}});
  book->PhoneGrid->setCurrentIndex(book->PhoneGrid->model()->index(1, 0));
  test::ModalAnswerer answer([](QDialog& dialog) {
    auto& editor = dynamic_cast<TPhoneBookEditor&>(dialog);
    EXPECT_EQ(editor.Name->text(), "Bob");  // filled from the row
    EXPECT_EQ(editor.Number->text(), "2");
    editor.Number->setText("22");
    editor.findChild<QPushButton*>("OKButton")->click();
  });
  book->ModifybuttonClick();
  EXPECT_EQ(ReadPhoneBook(book->PhoneTable), (std::vector<PhoneBookEntry>{{"alice", "1"}, {"Bob", "22"}}));
}

TEST_F(PhoneBookTest, DecliningTheDeleteKeepsTheEntry) {
  auto book = open(PhoneBookMode::Manage, {{"alice", "1"}, {"Bob", "2"}});
  book->PhoneGrid->setCurrentIndex(book->PhoneGrid->model()->index(1, 0));
  prompts.answer(false);
  book->DeletebuttonClick();
  EXPECT_EQ(names(*book), (QStringList{"alice", "Bob"}));
  ASSERT_EQ(prompts.prompts().size(), 1u);
  const Prompt question = prompts.prompts()[0];
  EXPECT_EQ(question.kind, PromptKind::YesNoDefaultNo);
  EXPECT_EQ(question.text, "Delete the current phone book entry?:\rBob");
  EXPECT_EQ(question.caption, "Delete");

  prompts.answer(true);
  book->DeletebuttonClick();
  EXPECT_EQ(names(*book), (QStringList{"alice"}));
  prompts.answer(true);
  book->DeletebuttonClick();
  EXPECT_TRUE(names(*book).empty());
  EXPECT_FALSE(book->Deletebutton->isEnabled());
}

TEST_F(PhoneBookTest, PickingHandsBackNameAndNumber) {
  {
    auto book = open(PhoneBookMode::Manage, {{"alice", "555 1"}, {"Bob", "555 2"}});
  }
  test::ModalAnswerer answer([](QDialog& dialog) {
    auto& book = dynamic_cast<TPhoneBook&>(dialog);
    book.PhoneGrid->setCurrentIndex(book.PhoneGrid->model()->index(1, 0));
    book.OKButton->click();
  });
  const std::optional<PhoneBookEntry> picked = PickFromPhoneBook(records, nullptr);
  ASSERT_TRUE(picked);
  EXPECT_EQ(*picked, (PhoneBookEntry{"Bob", "555 2"}));
}

TEST_F(PhoneBookTest, CancelledPickHandsBackNothing) {
  test::ModalAnswerer answer([](QDialog& dialog) { dynamic_cast<TPhoneBook&>(dialog).Cancelbutton->click(); });
  EXPECT_FALSE(PickFromPhoneBook(records, nullptr));
}

TEST_F(PhoneBookTest, ATableThatCannotBeOpenedIsNotShown) {
  home.dir().write("TVNPB.DBF", "this is no table");
  EXPECT_FALSE(ManagePhoneBook(records, nullptr));
  EXPECT_FALSE(PickFromPhoneBook(records, nullptr));
}

TEST_F(PhoneBookTest, ImportShowsWhatWillBeAddedAndAddsIt) {
  auto book = open(PhoneBookMode::Manage, {{"Known", "777"}});
  home.dir().write("contacts.csv", "First Name,Last Name,Business Fax\nJane,Doe,555 0100\nJohn,Roe,\nKnown,,777\n");
  book->chooseImportFile = [&] { return QString::fromStdString(home.dir().file("contacts.csv")); };
  test::ModalAnswerer answer([](QDialog& dialog) {
    auto& preview = dynamic_cast<TPhoneBookImportDialog&>(dialog);
    EXPECT_EQ(preview.AddedList->rowCount(), 1);
    EXPECT_EQ(preview.RefusedList->rowCount(), 2);
    EXPECT_EQ(preview.RefusedList->item(0, 2)->text(), "no fax number");
    EXPECT_EQ(preview.findChild<QLabel*>("Summary")->text(), "1 entry will be added. 2 rows cannot be taken.");
    preview.OKButton->click();
  });
  book->ImportButtonClick();
  EXPECT_EQ(names(*book), (QStringList{"Jane Doe", "Known"}));
}

TEST_F(PhoneBookTest, ImportNotesCharactersTheTableCannotHold) {
  auto book = open(PhoneBookMode::Manage);
  home.dir().write("contacts.csv", "Name,Fax\n\xC5\x81ukasz Nowak,1\nJos\xC3\xA9,2\n");
  book->chooseImportFile = [&] { return QString::fromStdString(home.dir().file("contacts.csv")); };
  test::ModalAnswerer answer([](QDialog& dialog) {
    auto& preview = dynamic_cast<TPhoneBookImportDialog&>(dialog);
    ASSERT_EQ(preview.AddedList->rowCount(), 2);
    EXPECT_EQ(preview.AddedList->item(0, 3)->text(), "characters the phone book cannot hold become ?");
    EXPECT_EQ(preview.AddedList->item(1, 3)->text(), "");
    preview.OKButton->click();
  });
  book->ImportButtonClick();
  EXPECT_EQ(names(*book), (QStringList{"?ukasz Nowak", "Jos\u00e9"}));
}

TEST_F(PhoneBookTest, CancelledImportAddsNothing) {
  auto book = open(PhoneBookMode::Manage);
  home.dir().write("contacts.csv", "Name,Fax\nJane,1\n");
  book->chooseImportFile = [&] { return QString::fromStdString(home.dir().file("contacts.csv")); };
  test::ModalAnswerer answer([](QDialog& dialog) { dynamic_cast<TPhoneBookImportDialog&>(dialog).CancelButton->click(); });
  book->ImportButtonClick();
  EXPECT_TRUE(names(*book).empty());
}

TEST_F(PhoneBookTest, ImportOfAnUnusableFileSaysWhy) {
  auto book = open(PhoneBookMode::Manage);
  book->chooseImportFile = [&] { return QString::fromStdString(home.dir().file("missing.csv")); };
  book->ImportButtonClick();
  home.dir().write("mail.csv", "Name,E-mail\nJane,j@example.org\n");
  book->chooseImportFile = [&] { return QString::fromStdString(home.dir().file("mail.csv")); };
  book->ImportButtonClick();
  const auto shown = prompts.prompts();
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_NE(shown[0].text.find("cannot be read"), std::string::npos);
  EXPECT_NE(shown[1].text.find("no column of fax numbers"), std::string::npos);
}

TEST_F(PhoneBookTest, ExportWritesTheBookInItsOrder) {
  auto book = open(PhoneBookMode::Manage, {{"Bob", "2"}, {"alice", "+1 555"}, {"Doe, Jane", "3"}});
  book->chooseExportFile = [&] { return QString::fromStdString(home.dir().file("out.csv")); };
  book->ExportButtonClick();
  EXPECT_EQ(home.dir().read("out.csv"), "NAME,PHONE\r\nalice,+1 555\r\nBob,2\r\n\"Doe, Jane\",3\r\n");
  ASSERT_EQ(prompts.prompts().size(), 1u);
  EXPECT_EQ(prompts.prompts()[0].text.rfind("3 phone book entries were written to", 0), 0u);
}

TEST_F(PhoneBookTest, ExportToAPlaceThatCannotBeWrittenSaysSo) {
  auto book = open(PhoneBookMode::Manage, {{"alice", "1"}});
  book->chooseExportFile = [&] { return QString::fromStdString(home.dir().file("no-such-dir/out.csv")); };
  book->ExportButtonClick();
  ASSERT_EQ(prompts.prompts().size(), 1u);
  EXPECT_EQ(prompts.prompts()[0].text.rfind("The phone book could not be written to", 0), 0u);
}

}  // namespace
}  // namespace telvane
