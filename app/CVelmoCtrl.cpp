#include "app/CVelmoCtrl.h"

#include "desk/CVelmoPropPage.h"
#include "host/core/ServerGate.h"
#include "host/core/SessionSettings.h"
#include "host/gui/AboutBox.h"
#include "host/gui/DeskIcon.h"

#include <QAction>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QTimer>

CVelmoCtrl::CVelmoCtrl(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("CVelmoCtrl"));
    // The server beside the name: the user sees where a link has pointed the desk.
    setWindowTitle(ServerGate::WindowTitle(Session().ServerURL()));
    setWindowIcon(DeskIcon());
    setAccessibleName(QStringLiteral("Molve"));

    // The menu bar stands where the window frame's menu would be: outside the client area.
    menuBar_ = new QMenuBar(this);
    menuBar_->setObjectName(QStringLiteral("menuBar"));
    menuBar_->setAccessibleName(QStringLiteral("Menu"));
    // The address book has no button on the report list window; the menu bar is its way in.
    addressBookAction_ = menuBar_->addAction(QStringLiteral("Address &Book..."));
    addressBookAction_->setObjectName(QStringLiteral("addressBookAction"));
    addressBookAction_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_B));
    addressBookAction_->setShortcutContext(Qt::WindowShortcut);
    addAction(addressBookAction_);
    QMenu* help = menuBar_->addMenu(QStringLiteral("&Help"));
    aboutAction_ = help->addAction(DeskIcon(), QStringLiteral("&About Velmo Control..."));
    aboutAction_->setObjectName(QStringLiteral("aboutAction"));
    aboutAction_->setShortcut(QKeySequence(Qt::Key_F1));
    aboutAction_->setShortcutContext(Qt::WindowShortcut);
    // The menu bar is a child, so its actions' shortcuts work anywhere in the window; adding
    // the action to the window itself keeps F1 working while the menu bar is hidden.
    addAction(aboutAction_);
    connect(aboutAction_, &QAction::triggered, this, &CVelmoCtrl::AboutBox);

    // The report list window is a dialog class; here it is embedded, not a window of its own.
    page_ = new CVelmoPropPage(this);
    page_->setWindowFlags(Qt::Widget);
    page_->installEventFilter(this);
    connect(addressBookAction_, &QAction::triggered, page_, &CVelmoPropPage::OnAddressBook);
    // Once the filters hold what they offer: below this size the window would overlap itself.
    connect(page_, &CVelmoPropPage::StartupFinished, this, [this] {
        const QSize smallest = page_->SmallestSize();
        setMinimumSize(smallest.width(), smallest.height() + ClientRect().top());
    });
    Layout();
    page_->show();
}

CVelmoCtrl::~CVelmoCtrl() = default;

QRect CVelmoCtrl::ClientRect() const {
    const int top = menuBar_->isVisibleTo(this) ? menuBar_->sizeHint().height() : 0;
    return QRect(0, top, width(), qMax(0, height() - top));
}

void CVelmoCtrl::Layout() {
    const QRect client = ClientRect();
    menuBar_->setGeometry(0, 0, width(), client.top());
    page_->setGeometry(client);
}

void CVelmoCtrl::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    Layout();
}

void CVelmoCtrl::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    Layout();
    if (!initStarted_) {
        initStarted_ = true;
        // Once the window is on screen and the event loop runs, as a host would do it.
        QTimer::singleShot(0, page_, &CVelmoPropPage::OnInitDialog);
    }
}

bool CVelmoCtrl::eventFilter(QObject* watched, QEvent* event) {
    // Escape would close the report list window as a dialog and leave the control empty.
    if (watched == page_ && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void CVelmoCtrl::AboutBox() {
    ::AboutBox box(this);
    box.exec();
}
