#include "widgets/ClickGate.h"

#include "link/WaitGate.h"

#include <QAbstractButton>
#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QSignalBlocker>

#include <memory>

namespace velnor {

ClickGate::ClickGate(WaitGate& gate, QObject* parent) : QObject(parent), m_gate(gate) {}

bool ClickGate::run(const std::function<void()>& action) const
{
    if (m_before)
        m_before();
    return m_gate.run(action);
}

void ClickGate::button(QAbstractButton* button, std::function<void()> handler)
{
    connect(button, &QAbstractButton::clicked, this,
            [this, handler = std::move(handler)] { run(handler); });
}

void ClickGate::group(QButtonGroup* group, std::function<void(int)> handler)
{
    // The member checked before the click, so a dropped click can check it again (or none).
    auto accepted = std::make_shared<int>(group->checkedId());
    connect(group, &QButtonGroup::idClicked, this,
            [this, group, accepted, handler = std::move(handler)](int id) {
                if (run([&] { handler(id); })) {
                    *accepted = group->checkedId();
                    return;
                }
                if (!group->exclusive() || !group->checkedButton())
                    return;
                const QSignalBlocker blocker(group);
                group->setExclusive(false);
                group->checkedButton()->setChecked(false);
                if (QAbstractButton* before = group->button(*accepted))
                    before->setChecked(true);
                group->setExclusive(true);
            });
}

void ClickGate::checkBox(QCheckBox* box, std::function<void(bool)> handler)
{
    connect(box, &QCheckBox::clicked, this,
            [this, box, handler = std::move(handler)](bool checked) {
                if (run([&] { handler(checked); }))
                    return;
                const QSignalBlocker blocker(box);
                box->setChecked(!checked);
            });
}

void ClickGate::list(QComboBox* list, std::function<void(int)> handler)
{
    auto accepted = std::make_shared<int>(list->currentIndex());
    connect(list, &QComboBox::currentIndexChanged, this,
            [this, list, accepted, handler = std::move(handler)](int index) {
                if (run([&] { handler(index); })) {
                    *accepted = index;
                    return;
                }
                const QSignalBlocker blocker(list);
                list->setCurrentIndex(*accepted);
            });
}

void ClickGate::action(QAction* action, std::function<void()> handler)
{
    connect(action, &QAction::triggered, this,
            [this, handler = std::move(handler)] { run(handler); });
}

} // namespace velnor
