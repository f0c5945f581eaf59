#include "CToolEndRequest.h"

void CToolEndRequest::Request(enumFailureCause eiReason)
{
    int iNone = eiFailureCause_None;
    m_iReason.compare_exchange_strong(iNone, eiReason);
}

void CToolEndRequest::Clear()
{
    m_iReason.store(eiFailureCause_None);
}

bool CToolEndRequest::IsRequested() const
{
    return Reason() != eiFailureCause_None;
}

enumFailureCause CToolEndRequest::Reason() const
{
    return static_cast<enumFailureCause>(m_iReason.load());
}
