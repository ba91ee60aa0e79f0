// Draws the phone book browser with a few entries into a PNG, for the
// documentation: phone_book_screenshot OUT.png (run under a real X server,
// e.g. xvfb-run, so the fonts and style are the user's).

#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>

#include "compose/phonebook/phone_book.h"
#include "compose/phonebook/phone_book_rows.h"
#include "platform/program_directory.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s OUT.png\n", argv[0]);
    return 2;
  }
  QTemporaryDir home;
  telvane::SetProgramDirectory(home.path().toStdString());
  telvane::FaxRecords records;
  telvane::TPhoneBook book(records, telvane::PhoneBookMode::Pick);
  if (!book.OpenPhoneDBF()) return 1;
  const telvane::PhoneBookEntry entries[] = {
      {"Acme Hardware, Sales", "+1 (312) 555-0148"}, {"alice Brennan", "+44 20 7946 0321"},
      {"Dr. Ruth Okafor", "555-0193"},              {"Harbour Insurance Claims", "+61 2 9876 5432"},
      {"Müller & Söhne GmbH", "+49 30 901820"},     {"St. Mary's Clinic", "1-800-555-0110"},
      {"Zed Printing", "555-0172"}};
  for (const auto& e : entries) telvane::AppendPhoneBookEntry(book.PhoneTable, e);
  book.OpenPhoneDBF();  // reopened as a user would find it: first entry current
  book.resize(620, 330);
  book.show();
  QTimer::singleShot(500, [&] {
    const bool saved = book.grab().save(QString::fromLocal8Bit(argv[1]));
    std::printf("%s %s\n", saved ? "wrote" : "could not write", argv[1]);
    app.exit(saved ? 0 : 1);
  });
  return app.exec();
}
