#include "conference/ConferencePlan.h"

#include "conference/ConferenceStatements.h"

ConferencePlan::ConferencePlan(const QStringList &lines, const QString &company) : m_lines(lines), m_company(company)
{ }

bool ConferencePlan::next(ConferenceStep &step)
{
    step.line = -1;
    switch (m_phase) {
    case Phase::Start:
        m_phase = Phase::Lines;
        m_pos = 0;
        step.kind = ConferenceStep::Kind::ClearResult;
        step.text = ConferenceStatements::clearResult();
        return true;
    case Phase::Lines:
        while (m_pos < m_lines.size()) {
            const int index = m_pos++;
            const QString &line = m_lines.at(index);
            if (isInvoiceLabel(line)) {
                if (m_master.isEmpty())
                    continue;
                step.kind = ConferenceStep::Kind::LabelInsert;
                step.text = ConferenceStatements::labelInsert(m_company, m_master, line);
                step.line = index;
                return true;
            }
            if (isMasterLabel(line)) {
                m_master = line;
                if (!registersUnit(line))
                    continue;
                step.kind = ConferenceStep::Kind::MasterInsert;
                step.text = ConferenceStatements::masterInsert(m_company, line);
                step.line = index;
                return true;
            }
        }
        m_phase = Phase::Match;
        m_pos = 0;
        [[fallthrough]];
    case Phase::Match:
        if (m_pos < ConferenceStatements::matchUpdates().size()) {
            step.kind = ConferenceStep::Kind::Match;
            step.text = ConferenceStatements::matchUpdates().at(m_pos++);
            return true;
        }
        m_phase = Phase::Again;
        [[fallthrough]];
    case Phase::Again:
        m_phase = Phase::Attach;
        m_pos = 0;
        if (registersUnit(m_master)) {
            step.kind = ConferenceStep::Kind::MasterInsertAgain;
            step.text = ConferenceStatements::masterInsert(m_company, m_master);
            return true;
        }
        [[fallthrough]];
    case Phase::Attach:
        if (m_pos < ConferenceStatements::attachUpdates().size()) {
            step.kind = ConferenceStep::Kind::Attach;
            step.text = ConferenceStatements::attachUpdates().at(m_pos++);
            return true;
        }
        m_phase = Phase::Done;
        [[fallthrough]];
    case Phase::Done:
        return false;
    }
    return false;
}
