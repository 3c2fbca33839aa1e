#include "i18n/TranslateComponent.h"

#include "core/Exceptions.h"
#include "i18n/ExclusionRegistry.h"
#include "i18n/TranslationState.h"

#include <QAction>
#include <QComboBox>
#include <QDialog>
#include <QListWidget>
#include <QMenu>
#include <QMetaProperty>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QQueue>
#include <QSet>
#include <QStandardItemModel>
#include <QSystemTrayIcon>
#include <QTabBar>
#include <QTableWidget>
#include <QTextEdit>
#include <QToolBox>
#include <QToolButton>
#include <QTreeWidget>
#include <functional>

namespace {

// Marks a window that translated itself, so that the walk of its owner leaves it alone.
constexpr char kTranslatedMark[] = "_vi_translated_window";

QString PropertyFailure(const QString &className, const QString &propertyName,
                        const QString &reason) {
    return QStringLiteral("Property cannot be translated.\r\nAdd TP_GlobalIgnoreClassProperty(") +
           className + QStringLiteral(",'") + propertyName +
           QStringLiteral("') to your source code or use\r\nTP_Ignore (self,'.") + propertyName +
           QStringLiteral("') to prevent this message.\r\nReason: ") + reason;
}

// A failure inside one text; turned into the property message by the walk.
struct TextFailure {
    QString reason;
};

class Walker {
public:
    Walker(QObject *root, TranslationState &state, const ExclusionRegistry &registry)
        : m_root(root), m_state(state), m_registry(registry) {}

    void Run() {
        Enqueue(m_root);
        while (!m_queue.isEmpty())
            Visit(m_queue.dequeue());
    }

private:
    void Enqueue(QObject *object) {
        if (!object || m_seen.contains(object) || IsWindowOfItsOwn(object))
            return;
        m_seen.insert(object);
        m_queue.enqueue(object);
    }

    bool IsWindowOfItsOwn(QObject *object) const {
        if (object == m_root)
            return false;
        if (object->property(kTranslatedMark).toBool())
            return true;
        const auto *widget = qobject_cast<QWidget *>(object);
        // Pop-up menus belong to the window that shows them; other windows translate themselves.
        return widget && (qobject_cast<const QDialog *>(widget) ||
                          (widget->isWindow() && widget->windowType() != Qt::Popup &&
                           !qobject_cast<const QMenu *>(widget)));
    }

    QString Translate(const QString &text) {
        try {
            return m_state.Lookup(text);
        } catch (const Exception &e) {
            throw TextFailure{e.Message()};
        } catch (const std::exception &e) {
            throw TextFailure{QString::fromUtf8(e.what())};
        }
    }

    // Every non-empty line on its own.
    QString TranslateLines(const QString &text) {
        QStringList lines = text.split(QLatin1Char('\n'));
        for (QString &line : lines) {
            const bool cr = line.endsWith(QLatin1Char('\r'));
            const QString bare = cr ? line.chopped(1) : line;
            if (!bare.isEmpty())
                line = Translate(bare) + (cr ? QStringLiteral("\r") : QString());
        }
        return lines.join(QLatin1Char('\n'));
    }

    // One text of a non-QObject part of an object (an item, a tab), by getter and setter.
    void TranslateText(const QString &className, const QString &propertyName,
                       const QSet<QString> &excluded, const std::function<QString()> &get,
                       const std::function<void(const QString &)> &set) {
        if (excluded.contains(propertyName.toUpper()))
            return;
        try {
            const QString value = get();
            if (value.isEmpty())
                return;
            const QString translated = Translate(value);
            if (translated != value)
                set(translated);
        } catch (const TextFailure &failure) {
            throw Exception(PropertyFailure(className, propertyName, failure.reason));
        } catch (const Exception &e) {
            throw Exception(PropertyFailure(className, propertyName, e.Message()));
        } catch (const std::exception &e) {
            throw Exception(PropertyFailure(className, propertyName, QString::fromUtf8(e.what())));
        }
    }

    void TranslateProperty(QObject *object, const QMetaProperty &property, bool asLines) {
        const QVariant value = property.read(object);
        if (!value.isValid())
            throw TextFailure{QStringLiteral("the property cannot be read")};
        const int type = property.metaType().id();
        if (type == QMetaType::QString) {
            const QString text = value.toString();
            if (text.isEmpty() || !property.isWritable())
                return;
            const QString translated = asLines ? TranslateLines(text) : Translate(text);
            if (translated != text && !property.write(object, translated))
                throw TextFailure{QStringLiteral("the property cannot be written")};
        } else if (type == QMetaType::QStringList) {
            if (!property.isWritable())
                return;
            const QStringList lines = value.toStringList();
            QStringList translated = lines;
            for (QString &line : translated)
                if (!line.isEmpty())
                    line = Translate(line);
            if (translated != lines && !property.write(object, translated))
                throw TextFailure{QStringLiteral("the property cannot be written")};
        } else if (property.metaType().flags() & QMetaType::PointerToQObject) {
            Enqueue(value.value<QObject *>());
        }
    }

    static bool IsTextProperty(const QMetaProperty &property) {
        const int type = property.metaType().id();
        return type == QMetaType::QString || type == QMetaType::QStringList ||
               (property.metaType().flags() & QMetaType::PointerToQObject);
    }

    void Visit(QObject *object) {
        const QMetaObject *meta = object->metaObject();
        if (m_registry.IsClassExcluded(meta))
            return;
        const QSet<QString> excluded = m_registry.ExcludedProperties(meta);
        const QString className = QString::fromLatin1(meta->className());
        // A memo's text is a list of lines, each translated on its own.
        const bool memo =
            qobject_cast<QPlainTextEdit *>(object) || qobject_cast<QTextEdit *>(object);

        for (int i = 0; i < meta->propertyCount(); ++i) {
            const QMetaProperty property = meta->property(i);
            const QString name = QString::fromLatin1(property.name());
            if (!IsTextProperty(property) || excluded.contains(name.toUpper()))
                continue;
            try {
                TranslateProperty(object, property, memo && name == QLatin1String("plainText"));
            } catch (const TextFailure &failure) {
                throw Exception(PropertyFailure(className, name, failure.reason));
            } catch (const Exception &e) { // from the object's own getter or setter
                throw Exception(PropertyFailure(className, name, e.Message()));
            } catch (const std::exception &e) {
                throw Exception(PropertyFailure(className, name, QString::fromUtf8(e.what())));
            }
        }

        TranslateCollections(object, className, excluded);

        // Objects reached otherwise than through ownership: shared actions, attached menus.
        if (auto *widget = qobject_cast<QWidget *>(object))
            for (QAction *action : widget->actions())
                Enqueue(action);
        if (auto *action = qobject_cast<QAction *>(object))
            Enqueue(action->menu());
        if (auto *button = qobject_cast<QPushButton *>(object))
            Enqueue(button->menu());
        if (auto *button = qobject_cast<QToolButton *>(object))
            Enqueue(button->menu());
        if (auto *tray = qobject_cast<QSystemTrayIcon *>(object))
            Enqueue(tray->contextMenu());

        for (QObject *child : object->children())
            Enqueue(child);
    }

    void TranslateTreeItem(QTreeWidgetItem *item, int columns, const QSet<QString> &excluded) {
        const QString cls = QStringLiteral("QTreeWidgetItem");
        for (int c = 0; c < columns; ++c) {
            TranslateText(
                cls, QStringLiteral("text"), excluded, [&] { return item->text(c); },
                [&](const QString &t) { item->setText(c, t); });
            TranslateText(
                cls, QStringLiteral("toolTip"), excluded, [&] { return item->toolTip(c); },
                [&](const QString &t) { item->setToolTip(c, t); });
        }
        for (int i = 0; i < item->childCount(); ++i)
            TranslateTreeItem(item->child(i), columns, excluded);
    }

    template <class Item> void TranslateSimpleItem(Item *item, const QString &cls) {
        if (!item || m_registry.IsClassExcluded(cls))
            return;
        const QSet<QString> excluded = m_registry.ExcludedProperties(cls);
        TranslateText(
            cls, QStringLiteral("text"), excluded, [&] { return item->text(); },
            [&](const QString &t) { item->setText(t); });
        TranslateText(
            cls, QStringLiteral("toolTip"), excluded, [&] { return item->toolTip(); },
            [&](const QString &t) { item->setToolTip(t); });
    }

    void TranslateCollections(QObject *object, const QString &className,
                              const QSet<QString> &excluded) {
        if (auto *tree = qobject_cast<QTreeWidget *>(object)) {
            const QString cls = QStringLiteral("QTreeWidgetItem");
            if (!m_registry.IsClassExcluded(cls)) {
                const QSet<QString> itemExcluded = m_registry.ExcludedProperties(cls);
                const int columns = tree->columnCount();
                TranslateTreeItem(tree->headerItem(), columns, itemExcluded);
                for (int i = 0; i < tree->topLevelItemCount(); ++i)
                    TranslateTreeItem(tree->topLevelItem(i), columns, itemExcluded);
            }
        }
        if (auto *list = qobject_cast<QListWidget *>(object))
            for (int i = 0; i < list->count(); ++i)
                TranslateSimpleItem(list->item(i), QStringLiteral("QListWidgetItem"));
        if (auto *table = qobject_cast<QTableWidget *>(object)) {
            const QString cls = QStringLiteral("QTableWidgetItem");
            for (int c = 0; c < table->columnCount(); ++c)
                TranslateSimpleItem(table->horizontalHeaderItem(c), cls);
            for (int r = 0; r < table->rowCount(); ++r) {
                TranslateSimpleItem(table->verticalHeaderItem(r), cls);
                for (int c = 0; c < table->columnCount(); ++c)
                    TranslateSimpleItem(table->item(r, c), cls);
            }
        }
        if (auto *model = qobject_cast<QStandardItemModel *>(object)) {
            const QString cls = QStringLiteral("QStandardItem");
            for (int c = 0; c < model->columnCount(); ++c)
                TranslateSimpleItem(model->horizontalHeaderItem(c), cls);
            for (int r = 0; r < model->rowCount(); ++r) {
                TranslateSimpleItem(model->verticalHeaderItem(r), cls);
                for (int c = 0; c < model->columnCount(); ++c)
                    TranslateSimpleItem(model->item(r, c), cls);
            }
        }
        if (auto *tabs = qobject_cast<QTabBar *>(object))
            for (int i = 0; i < tabs->count(); ++i) {
                TranslateText(
                    className, QStringLiteral("tabText"), excluded,
                    [&] { return tabs->tabText(i); },
                    [&](const QString &t) { tabs->setTabText(i, t); });
                TranslateText(
                    className, QStringLiteral("tabToolTip"), excluded,
                    [&] { return tabs->tabToolTip(i); },
                    [&](const QString &t) { tabs->setTabToolTip(i, t); });
            }
        if (auto *toolBox = qobject_cast<QToolBox *>(object))
            for (int i = 0; i < toolBox->count(); ++i)
                TranslateText(
                    className, QStringLiteral("itemText"), excluded,
                    [&] { return toolBox->itemText(i); },
                    [&](const QString &t) { toolBox->setItemText(i, t); });
        if (auto *combo = qobject_cast<QComboBox *>(object))
            for (int i = 0; i < combo->count(); ++i)
                TranslateText(
                    className, QStringLiteral("itemText"), excluded,
                    [&] { return combo->itemText(i); },
                    [&](const QString &t) { combo->setItemText(i, t); });
    }

    QObject *m_root;
    TranslationState &m_state;
    const ExclusionRegistry &m_registry;
    QQueue<QObject *> m_queue;
    QSet<QObject *> m_seen;
};

} // namespace

void TranslateComponent(QObject *window, TranslationState &state,
                        const ExclusionRegistry &registry) {
    if (!window)
        return;
    window->setProperty(kTranslatedMark, true);
    Walker(window, state, registry).Run();
}

void TranslateComponent(QObject *window) {
    TranslateComponent(window, ProcessTranslation(), ProcessExclusions());
}
