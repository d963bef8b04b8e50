// One script dialog of a page (alert, confirm, prompt, or the question before leaving a
// page), shown as a cover over the view that asked with a box in it.
#pragma once

#include <QString>
#include <QWidget>

class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;

namespace lorvex {

enum class PageDialogKind { Alert, Confirm, Prompt, LeavePage };

// Who asks: the host of the asking site, in its ASCII form so look-alike letters cannot pose
// as another site. A frame without an origin of its own (a sandboxed or data: frame) is
// named by the host of the top page it is framed in, and `framed` says so. Empty when
// neither is known.
struct DialogAsker {
    QString host;
    bool framed = false;
};

// One dialog: a cover over its view with a box in it, titled with who asks. Buttons "accept" and,
// except for alerts, "reject"; prompts have a text field "input". The cover keeps the mouse from
// the page underneath.
class PageDialog : public QWidget {
    Q_OBJECT
  public:
    PageDialog(QWidget* view, PageDialogKind kind, const DialogAsker& asker, const QString& message,
               const QString& defaultText);

    QString Title() const;
    QString Message() const;
    bool Accepted() const { return accepted_; }
    QString Text() const;

    // Answers the dialog: accepted (OK, leave) or not (cancel, stay).
    void Finish(bool accepted);

  signals:
    void Finished();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

  private:
    void FitToView();

    QFrame* box_ = nullptr;
    QLabel* title_ = nullptr;
    QLabel* message_ = nullptr;
    QLineEdit* input_ = nullptr;
    QPushButton* accept_ = nullptr;
    bool accepted_ = false;
    bool finished_ = false;
};

}  // namespace lorvex
