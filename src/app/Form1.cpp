#include "app/Form1.h"

namespace lorvex {

Form1::Form1() : QWidget(nullptr) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("pop"));
    resize(312, 213);
    WebBrowser1 = new BrowserView(this);
    WebBrowser1->setObjectName(QStringLiteral("WebBrowser1"));
    WebBrowser1->setGeometry(16, 8, 273, 193);
    // The browser loads while its window stays hidden: its page exists from the start.
    WebBrowser1->EnsurePage();
}

}  // namespace lorvex
