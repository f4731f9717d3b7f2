// The data window's "FIRMAR" button: an archived download or a station's record, shown in the
// data window, signed by an operator who confirms it with their account's password. The button
// works only while the window shows data kept in the archive; the archive module does the work.
#pragma once

#include <QObject>
#include <QString>
#include <optional>
#include <string>
#include <vector>

#include "archive/SignatureRecords.h"

class QToolButton;
class TForm5;

class DataWindowSigning : public QObject {
  Q_OBJECT

 public:
  explicit DataWindowSigning(TForm5* window);

  // What the data window shows from its next showing until it is closed: `target` in the archive
  // at `path`, named for the operator by `what` ("la descarga archivada 42").
  void SetNextTarget(const std::string& path, const SignTarget& target, const QString& what);
  bool HasTarget() const { return target_.has_value(); }

  // Asks for the signer and the meaning, signs, and says how it went.
  void SignClick();
  // "La descarga archivada 13 queda firmada: Revisado por ana el …", the participle agreeing with
  // what was signed.
  static QString SignedText(const QString& what, const QString& meaning, const QString& signer,
                            const QString& signedAt);
  // Signs what the window shows as `user` with `password` (wiped). Nothing when the window shows
  // nothing kept in the archive. Throws ArchiveError and std::exception as the module does.
  std::optional<SignOutcome> Sign(const QString& user, std::string& password, SignMeaning meaning);
  // The signatures of what the window shows; none when it shows nothing kept in the archive.
  // Throws ArchiveError and std::exception as the module does.
  std::vector<SignatureRecord> Signatures() const;

  QToolButton* button();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void MakeButton();
  void Forget();

  TForm5* window_;
  QToolButton* button_ = nullptr;
  std::string path_;
  std::optional<SignTarget> target_;
  QString what_;
};
