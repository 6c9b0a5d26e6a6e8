# The distribution's setup.exe from the linked program: the SHA-256 of every
# container written into it (tools/containerhashes), then, when a certificate
# is given, the Authenticode signature (osslsigncode). The hashes go in
# before the signature, which covers them. Run as a script:
#
#   cmake -DSETUP=<linked setup.exe> -DOUTPUT=<distribution's setup.exe>
#         -DCONTAINERS=<container|container|...> -DCONTAINERHASHES=<tool>
#         [-DOSSLSIGNCODE=<tool> -DSIGN_CERT=<PEM> -DSIGN_KEY=<key>]
#         -P tarno_seal_setup.cmake
#
# The sample distribution's build step and bench/make-large-distribution.sh
# both use it. OUTPUT is replaced only when every step succeeded.
foreach(required SETUP OUTPUT CONTAINERS CONTAINERHASHES)
  if(NOT ${required})
    message(FATAL_ERROR "tarno_seal_setup: ${required} is not given")
  endif()
endforeach()
string(REPLACE "|" ";" containers "${CONTAINERS}")

set(unsigned "${OUTPUT}.unsigned")
file(REMOVE "${unsigned}")
execute_process(COMMAND "${CONTAINERHASHES}" "${SETUP}" "${unsigned}" ${containers}
                RESULT_VARIABLE result OUTPUT_VARIABLE list)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "tarno_seal_setup: writing the container hashes into ${SETUP} failed (${result})")
endif()
message(STATUS "container hashes in ${OUTPUT}:\n${list}")

if(SIGN_CERT OR SIGN_KEY)
  if(NOT SIGN_CERT OR NOT SIGN_KEY OR NOT OSSLSIGNCODE)
    message(FATAL_ERROR "tarno_seal_setup: signing needs SIGN_CERT, SIGN_KEY and OSSLSIGNCODE")
  endif()
  set(signed "${OUTPUT}.signed")
  file(REMOVE "${signed}")
  # No time stamp: that would ask a time-stamping server on the Internet.
  execute_process(COMMAND "${OSSLSIGNCODE}" sign -certs "${SIGN_CERT}" -key "${SIGN_KEY}"
                          -n "Tarno Mail Server Setup" -h sha256 -in "${unsigned}" -out "${signed}"
                  RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
  file(REMOVE "${unsigned}")
  if(NOT result EQUAL 0)
    file(REMOVE "${signed}")
    message(FATAL_ERROR "tarno_seal_setup: signing ${OUTPUT} with ${SIGN_CERT} failed:\n${output}")
  endif()
  file(RENAME "${signed}" "${OUTPUT}")
else()
  file(RENAME "${unsigned}" "${OUTPUT}")
endif()
