// Pages and their controls (see controls.h).
#include "controls.h"

#include <QAbstractSpinBox>
#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QSlider>
#include <QStyledItemDelegate>
#include <QTreeWidget>

namespace {

QString IdName(int id) { return QString::number(id); }

class Page : public QWidget {
public:
    Page(QWidget* parent, DLGPROC proc) : QWidget(parent), proc_(proc) {}
    INT_PTR Send(UINT m, WPARAM w, LPARAM l) { return proc_ ? proc_(this, m, w, l) : 0; }
    void SetProc(DLGPROC proc) { proc_ = proc; }

private:
    DLGPROC proc_;
};

void Command(QWidget* control, int code) {
    auto* page = dynamic_cast<Page*>(control->parentWidget());
    if (page) page->Send(WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(control), code), LPARAM(control));
}

// A check box whose check only the page sets.
class ManualCheckBox : public QCheckBox {
public:
    using QCheckBox::QCheckBox;

protected:
    void nextCheckState() override {}
};

// A number edit; with an up-down attached it gets arrows that move a position
// of their own and report it, leaving the text to the page.
class NumberEdit : public QAbstractSpinBox {
public:
    explicit NumberEdit(QWidget* parent) : QAbstractSpinBox(parent) {
        setButtonSymbols(QAbstractSpinBox::NoButtons);
        setWrapping(false);
        setKeyboardTracking(false);
    }
    void Attach(int lo, int hi, int pos) {
        attached_ = true;
        lo_ = lo;
        hi_ = hi;
        pos_ = qBound(lo, pos, hi);
        setButtonSymbols(QAbstractSpinBox::UpDownArrows);
        // The arrows take the edit's right edge; three digits must still show,
        // so the edit borrows a few pixels of the gap to its left.
        findChild<QLineEdit*>()->setTextMargins(0, 0, 0, 0);
        setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        setGeometry(geometry().adjusted(-3, 0, 0, 0));
        update();
    }
    int Pos() const { return pos_; }
    void SetPos(int p) {
        pos_ = qBound(lo_, p, hi_);
        update();
    }
    void stepBy(int steps) override {
        if (!attached_) return;
        const int next = qBound(lo_, pos_ + steps, hi_);
        if (next == pos_) return;
        pos_ = next;
        update();
        if (auto* page = dynamic_cast<Page*>(parentWidget()))
            page->Send(WM_VSCROLL, MAKEWPARAM(0, pos_), LPARAM(static_cast<QWidget*>(this)));
    }
    QValidator::State validate(QString& input, int&) const override {
        for (QChar c : input)
            if (!c.isDigit()) return QValidator::Invalid;
        return QValidator::Acceptable;
    }

protected:
    StepEnabled stepEnabled() const override {
        if (!attached_) return StepNone;
        StepEnabled e = StepNone;
        if (pos_ < hi_) e |= StepUpEnabled;
        if (pos_ > lo_) e |= StepDownEnabled;
        return e;
    }

private:
    bool attached_ = false;
    int lo_ = 0, hi_ = 0, pos_ = 0;
};

class TrackBar : public QSlider {
public:
    explicit TrackBar(QWidget* parent) : QSlider(Qt::Horizontal, parent) {
        setTickPosition(QSlider::TicksBelow);
        setTickInterval(1);
        setPageStep(5);
        setFocusPolicy(Qt::StrongFocus);
    }
    TRACKHOOK hook = nullptr;
    int selStart = 0, selEnd = 0;

protected:
    void mousePressEvent(QMouseEvent* e) override {
        if (e->button() == Qt::LeftButton && hook) hook(this, WM_LBUTTONDOWN);
        QSlider::mousePressEvent(e);
    }
    void mouseReleaseEvent(QMouseEvent* e) override {
        if (e->button() == Qt::LeftButton && hook) hook(this, WM_LBUTTONUP);
        QSlider::mouseReleaseEvent(e);
    }
};

// Shows the label editor but keeps its text away from the item: the page
// decides, when the edit ends, what the label becomes.
class LabelDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void setModelData(QWidget*, QAbstractItemModel*, const QModelIndex&) const override {}
};

class TreeView : public QTreeWidget {
public:
    TreeView(QWidget* parent) : QTreeWidget(parent) {
        setHeaderHidden(true);
        setColumnCount(1);
        setRootIsDecorated(true);
        setItemDelegate(new LabelDelegate(this));
        setEditTriggers(QAbstractItemView::SelectedClicked | QAbstractItemView::EditKeyPressed);
        setSelectionMode(QAbstractItemView::SingleSelection);
        setFrameShadow(QFrame::Sunken);
        setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        setContextMenuPolicy(Qt::CustomContextMenu);
        connect(this, &QWidget::customContextMenuRequested, this, [this](const QPoint& p) {
            const QPoint g = viewport()->mapToGlobal(p);
            if (auto* page = dynamic_cast<Page*>(parentWidget()))
                page->Send(WM_CONTEXTMENU, WPARAM(static_cast<QWidget*>(this)), MAKELPARAM(g.x(), g.y()));
        });
    }
    bool Editing() const { return state() == QAbstractItemView::EditingState; }
    void Edit(QTreeWidgetItem* item) {
        item->setFlags(item->flags() | Qt::ItemIsEditable);
        editItem(item, 0);
    }

protected:
    void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override {
        QTreeWidgetItem* item = currentItem();
        auto* line = qobject_cast<QLineEdit*>(editor);
        const QString text = line ? line->text() : QString();
        const bool cancelled = hint == QAbstractItemDelegate::RevertModelCache;
        QTreeWidget::closeEditor(editor, hint);
        auto* page = dynamic_cast<Page*>(parentWidget());
        if (!page) return;
        NMTVDISPINFO info{{this, GetDlgCtrlID(this), TVN_ENDLABELEDIT}, item, cancelled ? nullptr : &text};
        page->Send(WM_NOTIFY, WPARAM(GetDlgCtrlID(this)), LPARAM(&info));
    }
};

QTreeWidgetItem* Item(HTREEITEM h) { return static_cast<QTreeWidgetItem*>(h); }
TreeView* Tree(HWND h) { return dynamic_cast<TreeView*>(h); }
QComboBox* Combo(HWND page, int id) { return qobject_cast<QComboBox*>(GetDlgItem(page, id)); }

}  // namespace

QRect DialogUnits(int x, int y, int w, int h) {
    return QRect(qRound(x * 1.5), qRound(y * 1.625), qRound(w * 1.5), qRound(h * 1.625));
}

// Japanese fonts run wider than the one the pages were laid out for: a label
// whose longest line would be cut gets a smaller font instead, in its place.
static void FitLabel(QLabel* l, int width) {
    QFont f = l->font();
    auto widest = [&] {
        const QFontMetrics fm(f);
        int w = 0;
        for (const QString& line : l->text().split(QLatin1Char('\n'))) w = qMax(w, fm.horizontalAdvance(line));
        return w;
    };
    while (widest() > width && f.pointSizeF() > 6.0) f.setPointSizeF(f.pointSizeF() - 0.5);
    l->setFont(f);
}

HWND CreateDialogPage(HWND parent, const DlgTemplate& tmpl, DLGPROC proc) {
    auto* page = new Page(parent, nullptr);
    QFont small = page->font();
    small.setPointSize(8);
    page->setFont(small);
    page->setGeometry(QRect(QPoint(0, 0), DialogUnits(0, 0, tmpl.w, tmpl.h).size()));
    page->setAutoFillBackground(true);
    for (const DlgItem& it : tmpl.items) {
        const QString text = QString::fromUtf8(it.text ? it.text : "");
        QWidget* w = nullptr;
        switch (it.kind) {
            case Ctl::Label:
            case Ctl::CenteredLabel: {
                auto* l = new QLabel(text, page);
                l->setAlignment(it.kind == Ctl::CenteredLabel ? Qt::AlignHCenter | Qt::AlignTop
                                                              : Qt::AlignLeft | Qt::AlignTop);
                w = l;
                break;
            }
            case Ctl::Edit:
            case Ctl::ReadOnlyEdit: {
                auto* e = new QLineEdit(text, page);
                e->setReadOnly(it.kind == Ctl::ReadOnlyEdit);
                w = e;
                break;
            }
            case Ctl::NumberEdit:
            case Ctl::ReadOnlyNumberEdit: {
                auto* e = new NumberEdit(page);
                e->setReadOnly(false);
                // Read-only edits still take arrow presses; only typing is refused.
                if (it.kind == Ctl::ReadOnlyNumberEdit) e->findChild<QLineEdit*>()->setReadOnly(true);
                w = e;
                break;
            }
            case Ctl::Button: {
                auto* b = new QPushButton(text, page);
                QObject::connect(b, &QPushButton::clicked, b, [b] { Command(b, BN_CLICKED); });
                w = b;
                break;
            }
            case Ctl::CheckBox:
            case Ctl::AutoCheckBox: {
                QCheckBox* c =
                    it.kind == Ctl::CheckBox ? new ManualCheckBox(text, page) : new QCheckBox(text, page);
                QObject::connect(c, &QCheckBox::clicked, c, [c] { Command(c, BN_CLICKED); });
                w = c;
                break;
            }
            case Ctl::DropList: {
                auto* c = new QComboBox(page);
                c->setEditable(false);
                c->setMaxVisibleItems(qMax(3, DialogUnits(0, 0, 0, it.h).height() / 18));
                QObject::connect(c, &QComboBox::activated, c, [c](int) { Command(c, CBN_SELCHANGE); });
                w = c;
                break;
            }
        }
        if (it.id >= 0) w->setObjectName(IdName(it.id));
        QRect r = DialogUnits(it.x, it.y, it.w, it.h);
        // A drop-down list's height is that of its open list; closed it is one line.
        if (it.kind == Ctl::DropList) r.setHeight(w->sizeHint().height());
        w->setGeometry(r);
        if (auto* l = qobject_cast<QLabel*>(w)) FitLabel(l, r.width());
    }
    page->hide();
    page->SetProc(proc);
    page->Send(WM_INITDIALOG, 0, 0);
    return page;
}

INT_PTR SendPageMessage(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* p = dynamic_cast<Page*>(page);
    return p ? p->Send(message, wParam, lParam) : 0;
}

HWND GetDlgItem(HWND page, int id) {
    return page ? page->findChild<QWidget*>(IdName(id), Qt::FindDirectChildrenOnly) : nullptr;
}

int GetDlgCtrlID(HWND control) {
    bool ok = false;
    const int id = control ? control->objectName().toInt(&ok) : 0;
    return ok ? id : -1;
}

void SetDlgItemText(HWND page, int id, const QString& text) { SetWindowText(GetDlgItem(page, id), text); }

QString GetDlgItemText(HWND page, int id) { return GetWindowText(GetDlgItem(page, id)); }

void SetWindowText(HWND w, const QString& text) {
    if (auto* e = qobject_cast<QLineEdit*>(w))
        e->setText(text);
    else if (auto* s = dynamic_cast<NumberEdit*>(w))
        s->findChild<QLineEdit*>()->setText(text);
    else if (auto* l = qobject_cast<QLabel*>(w))
        l->setText(text);
    else if (auto* b = qobject_cast<QAbstractButton*>(w))
        b->setText(text);
}

QString GetWindowText(HWND w) {
    if (auto* e = qobject_cast<QLineEdit*>(w)) return e->text();
    if (auto* s = dynamic_cast<NumberEdit*>(w)) return s->findChild<QLineEdit*>()->text();
    if (auto* l = qobject_cast<QLabel*>(w)) return l->text();
    if (auto* b = qobject_cast<QAbstractButton*>(w)) return b->text();
    return {};
}

void SetDlgItemInt(HWND page, int id, int value) { SetDlgItemText(page, id, QString::number(value)); }

int GetDlgItemInt(HWND page, int id, int maxChars) {
    const QString t = GetDlgItemText(page, id).left(maxChars);
    int i = 0;
    while (i < t.size() && t[i].isSpace()) ++i;
    bool negative = false;
    if (i < t.size() && (t[i] == QLatin1Char('-') || t[i] == QLatin1Char('+')))
        negative = t[i++] == QLatin1Char('-');
    long long v = 0;
    for (; i < t.size() && t[i] >= QLatin1Char('0') && t[i] <= QLatin1Char('9'); ++i)
        v = qMin(v * 10 + (t[i].unicode() - '0'), 1LL << 31);
    return int(qBound(-(1LL << 31), negative ? -v : v, (1LL << 31) - 1));
}

void CheckDlgButton(HWND page, int id, bool checked) {
    if (auto* b = qobject_cast<QAbstractButton*>(GetDlgItem(page, id))) b->setChecked(checked);
}

bool IsDlgButtonChecked(HWND page, int id) {
    auto* b = qobject_cast<QAbstractButton*>(GetDlgItem(page, id));
    return b && b->isChecked();
}

int ComboAdd(HWND page, int id, const QString& text) {
    QComboBox* c = Combo(page, id);
    if (!c) return -1;
    // Adding to an empty list must not select the new entry by itself.
    const int keep = c->currentIndex();
    c->addItem(text);
    c->setCurrentIndex(keep);
    return c->count() - 1;
}

void ComboInsert(HWND page, int id, int index, const QString& text) {
    QComboBox* c = Combo(page, id);
    if (!c) return;
    const int keep = c->currentIndex();
    c->insertItem(index, text);
    c->setCurrentIndex(keep < 0 ? -1 : (keep >= index ? keep + 1 : keep));
}

void ComboDelete(HWND page, int id, int index) {
    QComboBox* c = Combo(page, id);
    if (!c || index < 0 || index >= c->count()) return;
    // The list shows nothing after its selected entry goes.
    const int keep = c->currentIndex();
    c->removeItem(index);
    c->setCurrentIndex(keep == index ? -1 : (keep > index ? keep - 1 : keep));
}

void ComboSelect(HWND page, int id, int index) {
    QComboBox* c = Combo(page, id);
    if (c) c->setCurrentIndex(index >= 0 && index < c->count() ? index : -1);
}

int ComboCurSel(HWND page, int id) {
    QComboBox* c = Combo(page, id);
    return c ? c->currentIndex() : -1;
}

int ComboCount(HWND page, int id) {
    QComboBox* c = Combo(page, id);
    return c ? c->count() : 0;
}

QString ComboText(HWND page, int id, int index) {
    QComboBox* c = Combo(page, id);
    return c && index >= 0 && index < c->count() ? c->itemText(index) : QString();
}

int ComboFind(HWND page, int id, const QString& text) {
    QComboBox* c = Combo(page, id);
    if (!c) return -1;
    for (int i = 0; i < c->count(); ++i)
        if (c->itemText(i) == text) return i;
    return -1;
}

HWND CreateUpDown(HWND page, int editId, int minPos, int maxPos, int pos) {
    auto* e = dynamic_cast<NumberEdit*>(GetDlgItem(page, editId));
    if (!e) return nullptr;
    e->Attach(minPos, maxPos, pos);
    return e;
}

int UpDownGetPos(HWND upDown) {
    auto* e = dynamic_cast<NumberEdit*>(upDown);
    return e ? e->Pos() : 0;
}

void UpDownSetPos(HWND upDown, int pos) {
    if (auto* e = dynamic_cast<NumberEdit*>(upDown)) e->SetPos(pos);
}

void UpDownStep(HWND upDown, int steps) {
    if (auto* e = dynamic_cast<NumberEdit*>(upDown)) e->stepBy(steps);
}

HWND CreateTrackBar(HWND page, int id, int x, int y, int w, int h) {
    auto* t = new TrackBar(page);
    t->setObjectName(IdName(id));
    t->setGeometry(x, y, w, h);
    t->show();
    return t;
}

void SetTrackHook(HWND slider, TRACKHOOK hook) {
    if (auto* t = dynamic_cast<TrackBar*>(slider)) t->hook = hook;
}

void TrackSetRange(HWND slider, int minPos, int maxPos) {
    if (auto* t = dynamic_cast<TrackBar*>(slider)) t->setRange(minPos, maxPos);
}

void TrackSetPos(HWND slider, int pos) {
    if (auto* t = dynamic_cast<TrackBar*>(slider)) t->setValue(pos);
}

int TrackGetPos(HWND slider) {
    auto* t = dynamic_cast<TrackBar*>(slider);
    return t ? t->value() : 0;
}

void TrackSetSelStart(HWND slider, int pos) {
    if (auto* t = dynamic_cast<TrackBar*>(slider)) t->selStart = pos;
}

void TrackSetSelEnd(HWND slider, int pos) {
    if (auto* t = dynamic_cast<TrackBar*>(slider)) t->selEnd = pos;
}

int TrackSelStart(HWND slider) {
    auto* t = dynamic_cast<TrackBar*>(slider);
    return t ? t->selStart : 0;
}

int TrackSelEnd(HWND slider) {
    auto* t = dynamic_cast<TrackBar*>(slider);
    return t ? t->selEnd : 0;
}

HWND CreateTreeView(HWND page, int id, int x, int y, int w, int h) {
    auto* t = new TreeView(page);
    t->setObjectName(IdName(id));
    t->setGeometry(x, y, w, h);
    t->show();
    return t;
}

HTREEITEM TreeInsertItem(HWND tree, HTREEITEM parent, const QString& text) {
    TreeView* t = Tree(tree);
    if (!t) return nullptr;
    QTreeWidgetItem* item = parent ? new QTreeWidgetItem(Item(parent)) : new QTreeWidgetItem(t);
    item->setText(0, text);
    item->setFlags(item->flags() | Qt::ItemIsEditable);
    return item;
}

void TreeDeleteItem(HWND tree, HTREEITEM item) {
    if (Tree(tree) && item) delete Item(item);
}

void TreeDeleteAll(HWND tree) {
    if (TreeView* t = Tree(tree)) t->clear();
}

HTREEITEM TreeGetSelection(HWND tree) {
    TreeView* t = Tree(tree);
    if (!t) return nullptr;
    const QList<QTreeWidgetItem*> sel = t->selectedItems();
    return sel.isEmpty() ? nullptr : sel.first();
}

void TreeSelectItem(HWND tree, HTREEITEM item) {
    if (TreeView* t = Tree(tree)) t->setCurrentItem(Item(item));
}

QString TreeGetItemText(HWND tree, HTREEITEM item) {
    return Tree(tree) && item ? Item(item)->text(0) : QString();
}

void TreeSetItemText(HWND tree, HTREEITEM item, const QString& text) {
    if (Tree(tree) && item) Item(item)->setText(0, text);
}

void TreeEnsureVisible(HWND tree, HTREEITEM item) {
    TreeView* t = Tree(tree);
    if (!t || !item) return;
    for (QTreeWidgetItem* p = Item(item)->parent(); p; p = p->parent()) p->setExpanded(true);
    t->scrollToItem(Item(item));
}

HTREEITEM TreeHitTest(HWND tree, QPoint screenPos) {
    TreeView* t = Tree(tree);
    if (!t) return nullptr;
    QTreeWidgetItem* item = t->itemAt(t->viewport()->mapFromGlobal(screenPos));
    if (!item) return nullptr;
    // Only the label counts, not the empty row to its right.
    const QRect r = t->visualItemRect(item);
    const int textWidth = t->fontMetrics().horizontalAdvance(item->text(0)) + 8;
    return t->viewport()->mapFromGlobal(screenPos).x() <= r.left() + textWidth ? item : nullptr;
}

void TreeEditLabel(HWND tree, HTREEITEM item) {
    TreeView* t = Tree(tree);
    if (t && item) t->Edit(Item(item));
}

bool TreeIsEditing(HWND tree) {
    TreeView* t = Tree(tree);
    return t && t->Editing();
}

HTREEITEM TreeParent(HWND tree, HTREEITEM item) {
    return Tree(tree) && item ? Item(item)->parent() : nullptr;
}

int TreeChildCount(HWND tree, HTREEITEM item) {
    TreeView* t = Tree(tree);
    if (!t) return 0;
    return item ? Item(item)->childCount() : t->topLevelItemCount();
}

HTREEITEM TreeChild(HWND tree, HTREEITEM item, int index) {
    TreeView* t = Tree(tree);
    if (!t || index < 0 || index >= TreeChildCount(tree, item)) return nullptr;
    return item ? Item(item)->child(index) : t->topLevelItem(index);
}

QPoint TreeItemCenter(HWND tree, HTREEITEM item) {
    TreeView* t = Tree(tree);
    if (!t || !item) return {};
    const QRect r = t->visualItemRect(Item(item));
    const int textWidth = t->fontMetrics().horizontalAdvance(Item(item)->text(0));
    return t->viewport()->mapToGlobal(QPoint(r.left() + textWidth / 2 + 2, r.center().y()));
}

void TrackPopupMenu(std::span<const MenuEntry> entries, QPoint screenPos, HWND page) {
    const std::vector<MenuEntry> list(entries.begin(), entries.end());
    const int id = CurrentPrompter()->PopupMenu(list, screenPos);
    if (id) SendPageMessage(page, WM_COMMAND, MAKEWPARAM(id, 0), 0);
}
