#include "imaging/qt/QtPictureDialog.h"

#include <QFrame>
#include <QGridLayout>
#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QStringList>
#include <QVBoxLayout>

#include "imaging/PicturePreview.h"
#include "imaging/qt/QtImageFormats.h"

namespace vrel {

namespace {

const char* const kNone = "(None)";

}  // namespace

QtPictureDialog::QtPictureDialog(QWidget* parent, const std::string& filter, const TPictureFormats& formats)
    : QFileDialog(parent) {
  setObjectName(QStringLiteral("OpenPictureDialog1"));
  setOption(QFileDialog::DontUseNativeDialog, true);
  setAcceptMode(QFileDialog::AcceptOpen);
  setFileMode(QFileDialog::ExistingFile);
  setNameFilters(QString::fromStdString(filter).split(QStringLiteral(";;"), Qt::SkipEmptyParts));

  auto* pane = new QFrame(this);
  pane->setObjectName(QStringLiteral("PicturePreview"));
  auto* column = new QVBoxLayout(pane);
  column->setContentsMargins(0, 0, 0, 0);
  caption_ = new QLabel(QString::fromLatin1(kNone), pane);
  caption_->setObjectName(QStringLiteral("PreviewCaption"));
  caption_->setAlignment(Qt::AlignCenter);
  caption_->setWordWrap(true);
  caption_->setFixedWidth(kPreviewSize);
  image_ = new QLabel(pane);
  image_->setObjectName(QStringLiteral("PreviewImage"));
  image_->setFixedSize(kPreviewSize, kPreviewSize);
  image_->setAlignment(Qt::AlignCenter);
  image_->setFrameShape(QFrame::StyledPanel);
  image_->setFrameShadow(QFrame::Sunken);
  column->addWidget(image_);
  column->addWidget(caption_);
  column->addStretch(1);
  // Qt's own dialog lays its parts out on a grid: the pane takes a column of its own on the right.
  if (auto* grid = qobject_cast<QGridLayout*>(layout()))
    grid->addWidget(pane, 0, grid->columnCount(), grid->rowCount(), 1);

  QLabel* image = image_;
  previewer_ = std::make_unique<TPicturePreviewer>(
      [this, image](TPicturePreview preview) {
        // On the previewer's thread; the labels change on the GUI thread.
        const QImage thumbnail = preview.Thumbnail ? ToQImage(*preview.Thumbnail) : QImage();
        const QString caption =
            preview.Caption.empty() ? QString::fromLatin1(kNone) : QString::fromStdString(preview.Caption);
        const std::uint64_t ticket = preview.Ticket;
        QMetaObject::invokeMethod(
            image,
            [this, ticket, thumbnail, caption] {
              if (!previewer_ || !previewer_->IsCurrent(ticket))
                return;  // the user has pointed elsewhere since
              image_->setPixmap(QPixmap::fromImage(thumbnail));
              caption_->setText(caption);
            },
            Qt::QueuedConnection);
      },
      kPreviewSize, formats);
  connect(this, &QFileDialog::currentChanged, this, [this](const QString& path) { PointedAt(path); });
}

QtPictureDialog::~QtPictureDialog() {
  // The previewer's thread ends before the labels it posts to.
  previewer_.reset();
}

void QtPictureDialog::PointedAt(const QString& path) {
  image_->clear();
  if (path.isEmpty()) {
    previewer_->Clear();
    caption_->setText(QString::fromLatin1(kNone));
    return;
  }
  caption_->clear();
  previewer_->Preview(path.toStdString());
}

std::optional<std::string> AskForPictureFile(QWidget* parent, const std::string& filter, QString& folder) {
  QtPictureDialog dialog(parent, filter);
  if (!folder.isEmpty())
    dialog.setDirectory(folder);
  const bool accepted = dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty();
  folder = dialog.directory().absolutePath();
  if (!accepted)
    return std::nullopt;
  return dialog.selectedFiles().first().toStdString();
}

}  // namespace vrel
