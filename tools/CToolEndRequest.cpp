#include "CToolEndRequest.h"

void CToolEndRequest::Request()
{
    m_bRequested.store(true);
}

void CToolEndRequest::Clear()
{
    m_bRequested.store(false);
}

bool CToolEndRequest::IsRequested() const
{
    return m_bRequested.load();
}
