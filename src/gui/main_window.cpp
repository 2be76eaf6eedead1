#include "gui/main_window.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QEventLoop>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QThread>

#include "app/texts.h"
#include "app/vk_dlg.h"
#include "gui/about_box.h"
#include "gui/status_bar_widget.h"
#include "gui/web_view.h"

namespace halvoran {

namespace {

// Template 102 is laid out in dialog units of its 9-point font; at 96 dots per
// inch one unit is about 1.5 pixels each way. Only the first placement uses
// these, the layout rule moves everything afterwards.
QRect FromDialogUnits(int x, int y, int w, int h) {
    auto px = [](int units) { return units * 3 / 2; };
    return QRect(px(x), px(y), px(w), px(h));
}

// The closed height of a drop-down list follows its font, as on the platform.
void FitListHeight(QComboBox* list) { list->resize(list->width(), list->sizeHint().height()); }

// A button keeps its template size unless its text needs more room.
void FitButton(QPushButton* button) { button->resize(button->size().expandedTo(button->sizeHint())); }

QString Q(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

MainWindow::MainWindow() : taskTarget_(new QObject(this)) {
    setWindowIcon(QIcon(QStringLiteral(":/icons/halvoran-64.png")));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint |
                   Qt::WindowCloseButtonHint);
    CreateControls();
    resize(FromDialogUnits(0, 0, 748, 490).size());
}

MainWindow::~MainWindow() { DropTasks(); }

void MainWindow::CreateControls() {
    view_ = new WebView(this);
    auto* connect = new QPushButton(this);
    auto* disconnect = new QPushButton(this);
    auto* interfaceLabel = new QLabel(this);
    auto* interfaceList = new QComboBox(this);
    auto* portNumberList = new QComboBox(this);
    auto* serialGroup = new QGroupBox(this);
    auto* baudLabel = new QLabel(this);
    auto* baudList = new QComboBox(this);
    auto* formatLabel = new QLabel(this);
    auto* formatList = new QComboBox(this);
    statusBar_ = new StatusBarWidget(this);
    statusBar_->hide();  // created by the window's start-up

    // The group frame lies behind the serial settings it surrounds.
    serialGroup->lower();
    view_->setGeometry(FromDialogUnits(7, 7, 734, 277));
    connect->setGeometry(FromDialogUnits(232, 456, 50, 18));
    disconnect->setGeometry(FromDialogUnits(309, 456, 60, 18));
    interfaceLabel->setGeometry(FromDialogUnits(13, 462, 67, 22));
    interfaceList->setGeometry(FromDialogUnits(85, 459, 111, 14));
    portNumberList->setGeometry(FromDialogUnits(200, 459, 29, 14));
    serialGroup->setGeometry(FromDialogUnits(15, 418, 339, 29));
    baudLabel->setGeometry(FromDialogUnits(17, 431, 40, 12));
    baudList->setGeometry(FromDialogUnits(71, 428, 62, 14));
    formatLabel->setGeometry(FromDialogUnits(145, 430, 48, 12));
    formatList->setGeometry(FromDialogUnits(198, 428, 92, 14));
    for (QComboBox* list : {interfaceList, portNumberList, baudList, formatList}) {
        list->setMaxVisibleItems(8);
        FitListHeight(list);
    }
    interfaceLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    connect->setDefault(true);

    controls_ = {view_, connect, disconnect, interfaceLabel, interfaceList, portNumberList,
                 serialGroup, baudLabel, baudList, formatLabel, formatList, statusBar_};
    const char* names[] = {"Browser", "ConnectButton", "DisconnectButton", "InterfaceLabel",
                           "InterfaceList", "PortNumberList", "SerialGroup", "BaudLabel",
                           "BaudList", "FormatLabel", "FormatList", "StatusBar"};
    for (size_t i = 0; i < controls_.size(); ++i) controls_[i]->setObjectName(QLatin1String(names[i]));

    QObject::connect(connect, &QPushButton::clicked, this, [this] {
        if (dialog_ != nullptr) dialog_->OnConnect();
    });
    QObject::connect(disconnect, &QPushButton::clicked, this, [this] {
        if (dialog_ != nullptr) dialog_->OnDisconnect();
    });
    // Only a choice of the user's is a selection change; the logic's own
    // SelectRow calls are not.
    QObject::connect(interfaceList, &QComboBox::activated, this, [this] {
        if (dialog_ != nullptr) dialog_->OnInterfaceChanged();
    });

    // Linux has no system menu a program can extend: the About item lives in
    // the window's context menu (also over the browser) and on F1.
    aboutAction_ = new QAction(this);
    aboutAction_->setShortcut(QKeySequence::HelpContents);
    aboutAction_->setShortcutContext(Qt::WindowShortcut);
    QObject::connect(aboutAction_, &QAction::triggered, this, [this] {
        if (dialog_ != nullptr) dialog_->OnSysCommand(kAboutCommand);
    });
}

void MainWindow::Attach(CvkDlg* dialog, BrowserView* browser) {
    dialog_ = dialog;
    browser_ = browser;
}

void MainWindow::ReportCreated() { ReportSize(0, width(), height()); }

void MainWindow::RunModal() {
    if (ended_) return;
    show();
    QEventLoop loop;
    loop_ = &loop;
    loop.exec();
    loop_ = nullptr;
}

// --- lists and controls ---

QComboBox* MainWindow::List(Control list) const { return qobject_cast<QComboBox*>(Widget(list)); }

void MainWindow::ClearList(Control list) {
    if (QComboBox* box = List(list)) box->clear();
}

void MainWindow::InsertRow(Control list, int row, const std::string& text) {
    if (QComboBox* box = List(list)) {
        box->insertItem(row, Q(text));
        // Inserting into an empty list must not select the row.
        if (box->count() == 1) box->setCurrentIndex(-1);
    }
}

void MainWindow::SelectRow(Control list, int row) {
    QComboBox* box = List(list);
    if (box == nullptr) return;
    box->setCurrentIndex(row >= 0 && row < box->count() ? row : -1);
}

int MainWindow::SelectedRow(Control list) {
    QComboBox* box = List(list);
    return box == nullptr ? -1 : box->currentIndex();
}

void MainWindow::SetControlText(Control control, const std::string& text) {
    QWidget* widget = Widget(control);
    if (auto* button = qobject_cast<QPushButton*>(widget)) {
        button->setText(Q(text));
        FitButton(button);
    } else if (auto* label = qobject_cast<QLabel*>(widget)) {
        label->setText(Q(text));
    } else if (auto* group = qobject_cast<QGroupBox*>(widget)) {
        group->setTitle(Q(text));
    }
}

void MainWindow::EnableControl(Control control, bool enabled) { Widget(control)->setEnabled(enabled); }

void MainWindow::MoveControl(Control control, const Rect& rect) {
    QWidget* widget = Widget(control);
    if (control == Control::StatusBar) {
        // The status bar control spans the client width on its own.
        widget->setGeometry(rect.Left, rect.Top, width(), rect.Height);
        return;
    }
    widget->setGeometry(rect.Left, rect.Top, rect.Width, rect.Height);
}

Size MainWindow::ControlSize(Control control) {
    QSize size = Widget(control)->size();
    return {size.width(), size.height()};
}

void MainWindow::SetControlFont(Control control, int pixelHeight) {
    // The platform's font height is the cell height (ascent plus descent);
    // Qt's pixel size is the em height, so it is shrunk until the cell fits.
    QFont font(QStringLiteral("sans-serif"));
    font.setStyleHint(QFont::SansSerif);
    font.setWeight(QFont::Normal);
    font.setPixelSize(std::max(1, pixelHeight));
    int cell = QFontMetrics(font).height();
    if (cell > pixelHeight && cell > 0) font.setPixelSize(std::max(1, pixelHeight * pixelHeight / cell));
    QWidget* widget = Widget(control);
    widget->setFont(font);
    if (auto* list = qobject_cast<QComboBox*>(widget)) FitListHeight(list);
    if (auto* button = qobject_cast<QPushButton*>(widget)) FitButton(button);
    if (control == Control::StatusBar) DockStatusBar();
}

void MainWindow::DockStatusBar() {
    // Like the platform's status bar control, it places itself along the
    // bottom edge across the client width when created and when its font changes.
    int height = statusBar_->PreferredHeight();
    statusBar_->setGeometry(0, this->height() - height, width(), height);
}

// --- the window ---

void MainWindow::SetCaption(const std::string& caption) { setWindowTitle(Q(caption)); }

bool MainWindow::AddAboutMenuItem(const std::string& text) {
    aboutAction_->setText(Q(text));
    setContextMenuPolicy(Qt::ActionsContextMenu);
    // The browser offers no engine menu (back, reload, open link, view
    // source...), only the About item.
    view_->setContextMenuPolicy(Qt::ActionsContextMenu);
    auto* separator = new QAction(this);
    separator->setSeparator(true);
    addAction(separator);
    addAction(aboutAction_);
    view_->addAction(aboutAction_);
    return true;
}

void MainWindow::ShowAboutBox() {
    AboutBox box(this);
    box.exec();
}

Size MainWindow::PrimaryScreenSize() {
    QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr) return {};
    QSize size = screen->size();
    return {size.width(), size.height()};
}

int MainWindow::LogicalPixelsPerInchY() {
    QScreen* screen = QGuiApplication::primaryScreen();
    return screen == nullptr ? 96 : qRound(screen->logicalDotsPerInchY());
}

void MainWindow::PlaceWindow(const Rect& rect) {
    move(rect.Left, rect.Top);
    resize(rect.Width, rect.Height);
    // A hidden window gets its resize event only when shown; the logic needs
    // it now, as the platform sends it during the placement.
    ReportSize(isMaximized() ? kSizeMaximized : 0, width(), height());
}

void MainWindow::Invalidate(const Rect& rect) { update(rect.Left, rect.Top, rect.Width, rect.Height); }

void MainWindow::InvalidateAll() { update(); }

void MainWindow::DropTasks() {
    std::lock_guard lock(taskMutex_);
    acceptingTasks_ = false;
    QCoreApplication::removePostedEvents(taskTarget_);
}

void MainWindow::EndDialog() {
    DropTasks();
    ended_ = true;
    hide();
    if (loop_ != nullptr) loop_->quit();
}

void MainWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    ReportSize(isMaximized() ? kSizeMaximized : 0, width(), height());
}

void MainWindow::ReportSize(int type, int cx, int cy) {
    if (lastSize_ == QSize(cx, cy) && lastType_ == type) return;
    lastSize_ = QSize(cx, cy);
    lastType_ = type;
    if (dialog_ != nullptr) dialog_->OnSize(type, cx, cy);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    // The window closes only through the Disconnect command, which ends it.
    if (ended_) {
        event->accept();
        return;
    }
    event->ignore();
    if (dialog_ != nullptr) dialog_->OnClose();
}

// --- status bar ---

void MainWindow::CreateStatusBar(const CColorStatusBar& bar) {
    statusBar_->SetModel(&bar);
    DockStatusBar();
    statusBar_->show();
}

void MainWindow::RepaintStatusBar(const CColorStatusBar& bar) {
    statusBar_->SetModel(&bar);
    // Painted now, not later: a text shown before a long wait must be on screen during it.
    statusBar_->repaint();
}

// --- dialogs ---

bool MainWindow::AskOkCancel(const std::string& text, bool warningIcon) {
    QMessageBox box(warningIcon ? QMessageBox::Warning : QMessageBox::NoIcon, QString::fromUtf8(text::BoxCaption),
                    Q(text), QMessageBox::Ok | QMessageBox::Cancel, this);
    box.setDefaultButton(QMessageBox::Ok);
    return box.exec() == QMessageBox::Ok;
}

std::optional<std::string> MainWindow::AskSavePath(const SaveFilter& filter) {
    // The row shows its description; the pattern is added when the
    // description does not already end with it in parentheses.
    QString description = Q(filter.Description);
    QString pattern = Q(filter.Pattern);
    QString row = description.endsWith(QLatin1Char('(') + pattern + QLatin1Char(')'))
                      ? description
                      : description + QStringLiteral(" (") + pattern + QLatin1Char(')');
    QString path = QFileDialog::getSaveFileName(view_, QString(), QString(), row, nullptr,
                                                QFileDialog::DontConfirmOverwrite);
    if (path.isEmpty()) return std::nullopt;
    return path.toStdString();
}

// --- browser and threads ---

BrowserArea MainWindow::BrowserAreaSize() { return {view_->width(), view_->height()}; }

void MainWindow::PostToWindowThread(std::function<void()> task) {
    std::lock_guard lock(taskMutex_);
    if (!acceptingTasks_) return;  // the task is destroyed without running
    QMetaObject::invokeMethod(taskTarget_, [task = std::move(task)] { task(); }, Qt::QueuedConnection);
}

bool MainWindow::IsWindowThread() { return QThread::currentThread() == thread(); }

}  // namespace halvoran
